// Panels' and the status bar's frames, read back pixel by pixel from the painted widget (which
// colour each edge and each shared corner gets), and what a caption change paints again.
#include <functional>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QRegion>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "tests/ui/GuiTestSupport.h"

namespace {

using guitest::QtApp;

const QColor kLight(255, 255, 255);
const QColor kShadow(160, 160, 160);
const QColor kSoftOuter(176, 176, 176);
const QColor kSoftInner(226, 226, 226);

QImage Painted(QWidget* widget) { return widget->grab().toImage(); }

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y).toRgb(); }

// A panel of that size and those bevels, as painted; `more` sets what else a test needs.
QImage PaintedPanel(int width, int height, ui::TBevelCut outer, ui::TBevelCut inner,
                    const std::function<void(ui::TPanel&)>& more = {}) {
    QtApp();
    ui::TPanel panel;
    panel.SetBounds(0, 0, width, height);
    panel.SetBevelOuter(outer);
    panel.SetBevelInner(inner);
    if (more) more(panel);
    return Painted(panel.Widget());
}

// One ring of a frame, `inset` pixels in from the widget's edge.
void ExpectRing(const QImage& image, int inset, const QColor& topLeft, const QColor& bottomRight) {
    const int left = inset, top = inset, right = image.width() - 1 - inset, bottom = image.height() - 1 - inset;
    SCOPED_TRACE(testing::Message() << "ring " << inset);
    for (int x = left; x < right; ++x) EXPECT_EQ(At(image, x, top), topLeft) << "top, x " << x;
    for (int y = top; y < bottom; ++y) EXPECT_EQ(At(image, left, y), topLeft) << "left, y " << y;
    for (int x = left; x <= right; ++x) EXPECT_EQ(At(image, x, bottom), bottomRight) << "bottom, x " << x;
    for (int y = top; y <= bottom; ++y) EXPECT_EQ(At(image, right, y), bottomRight) << "right, y " << y;
}

TEST(PanelPaint, RaisedOuterAndLoweredInnerRingsOwnTheirCorners) {
    const QImage image = PaintedPanel(17, 9, ui::TBevelCut::bvRaised, ui::TBevelCut::bvLowered,
                                      [](ui::TPanel& panel) { panel.SetBevelWidth(2); });
    ASSERT_EQ(image.size(), QSize(17, 9));
    ExpectRing(image, 0, kLight, kShadow);
    ExpectRing(image, 1, kLight, kShadow);
    ExpectRing(image, 2, kShadow, kLight);
    ExpectRing(image, 3, kShadow, kLight);
    const QColor face = At(image, 8, 4);
    EXPECT_NE(face, kLight);
    EXPECT_NE(face, kShadow);
}

TEST(PanelPaint, BorderWidthLeavesTheFaceBetweenTheBevels) {
    const QImage image = PaintedPanel(12, 12, ui::TBevelCut::bvLowered, ui::TBevelCut::bvRaised,
                                      [](ui::TPanel& panel) { panel.SetBorderWidth(1); });
    ExpectRing(image, 0, kShadow, kLight);
    EXPECT_EQ(At(image, 1, 1), At(image, 6, 6));  // the border is the face colour
    ExpectRing(image, 2, kLight, kShadow);
}

TEST(PanelPaint, SoftEdgeRingsAreOneColourAllRoundOutsideTheBevels) {
    const QImage image = PaintedPanel(10, 8, ui::TBevelCut::bvRaised, ui::TBevelCut::bvLowered,
                                      [](ui::TPanel& panel) { panel.SetBevelKind(ui::TBevelKind::bkSoft); });
    ExpectRing(image, 0, kSoftOuter, kSoftOuter);
    ExpectRing(image, 1, kSoftInner, kSoftInner);
    ExpectRing(image, 2, kLight, kShadow);
    ExpectRing(image, 3, kShadow, kLight);
}

TEST(PanelPaint, StatusBarPanelIsSunken) {
    QtApp();
    ui::TStatusBar bar;
    bar.SetSizeGrip(false);
    bar.SetBounds(0, 0, 40, 12);
    const QImage image = Painted(bar.Widget());
    // The panel starts two pixels down.
    for (int x = 0; x < 39; ++x) EXPECT_EQ(At(image, x, 2), kShadow) << x;
    for (int y = 2; y < 11; ++y) EXPECT_EQ(At(image, 0, y), kShadow) << y;
    for (int x = 0; x < 40; ++x) EXPECT_EQ(At(image, x, 11), kLight) << x;
    for (int y = 2; y < 12; ++y) EXPECT_EQ(At(image, 39, y), kLight) << y;
}

TEST(PanelPaint, PanelsSmallerThanTheirFramesPaint) {
    for (int size : {1, 2, 3}) {
        const QImage image =
            PaintedPanel(size, size, ui::TBevelCut::bvRaised, ui::TBevelCut::bvLowered, [](ui::TPanel& panel) {
                panel.SetBevelKind(ui::TBevelKind::bkSoft);
                panel.SetBevelWidth(3);
            });
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_EQ(At(image, size - 1, size - 1).alpha(), 255) << size;
    }
}

}  // namespace

namespace {

// The region each paint event of a widget asked for.
struct TPaintRegions : QObject {
    QRegion Painted;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) Painted += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST(PanelPaint, ACaptionChangePaintsTheCaptionsBandAndNotTheChildrenElsewhere) {
    QtApp();
    ui::TPanel panel;
    panel.SetBounds(0, 0, 300, 200);
    panel.SetText("Click to load a bitmap image");
    ui::TPanel child;  // a picture above the caption, as in the work area
    child.SetBounds(100, 10, 100, 60);
    child.SetParent(&panel);
    panel.Widget()->show();
    QApplication::processEvents();
    ASSERT_TRUE(panel.Widget()->isVisible());
    TPaintRegions regions;
    panel.Widget()->installEventFilter(&regions);
    child.Widget()->installEventFilter(&regions);
    panel.SetText("Haga clic para cargar una imagen de mapa de bits");
    QApplication::processEvents();
    const QRect band = regions.Painted.boundingRect();
    EXPECT_FALSE(regions.Painted.isEmpty());
    EXPECT_EQ(band.width(), 300);
    EXPECT_LT(band.height(), 40);
    EXPECT_TRUE(band.contains(QPoint(150, 100)));  // the centre line, where the caption is
    EXPECT_FALSE(band.intersects(QRect(100, 10, 100, 60)));  // the child was not painted again

    // The drawn caption is the new one: the old one left no trace.
    ui::TPanel fresh;
    fresh.SetBounds(0, 0, 300, 200);
    fresh.SetText("Haga clic para cargar una imagen de mapa de bits");
    ui::TPanel freshChild;
    freshChild.SetBounds(100, 10, 100, 60);
    freshChild.SetParent(&fresh);
    EXPECT_EQ(panel.Widget()->grab().toImage(), fresh.Widget()->grab().toImage());
    child.SetParent(nullptr);
    freshChild.SetParent(nullptr);
}

}  // namespace
