#include "platform/ui/ExtCtrls.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPaintEvent>

namespace ui {

const rtti::TEnumInfo& BevelCutInfo() {
    static const rtti::TEnumInfo info{"TBevelCut", {"bvNone", "bvLowered", "bvRaised", "bvSpace"}};
    return info;
}

const rtti::TEnumInfo& BevelKindInfo() {
    static const rtti::TEnumInfo info{"TBevelKind", {"bkNone", "bkTile", "bkSoft", "bkFlat"}};
    return info;
}

const rtti::TEnumInfo& AlignmentInfo() {
    static const rtti::TEnumInfo info{"TAlignment", {"taLeftJustify", "taRightJustify", "taCenter"}};
    return info;
}

void TPaintWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (paint_) paint_(painter);
}

namespace {

// A one-pixel line from (x1, y1) to (x2, y2), horizontal or vertical, both ends included: the
// pixels a one-pixel pen draws, filled as a rectangle, which the raster engine does several times
// faster than it strokes a line.
void FillLine(QPainter& painter, int x1, int y1, int x2, int y2, const QColor& color) {
    painter.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)).normalized(), color);
}

}  // namespace

void DrawBevel(QPainter& painter, QRect& rect, TBevelCut cut, int width) {
    if (cut == TBevelCut::bvNone || width <= 0) return;
    const QColor light(255, 255, 255);
    const QColor shadow(160, 160, 160);
    for (int i = 0; i < width; ++i) {
        if (cut != TBevelCut::bvSpace) {
            const QColor& topLeft = cut == TBevelCut::bvRaised ? light : shadow;
            const QColor& bottomRight = cut == TBevelCut::bvRaised ? shadow : light;
            // The bottom-right colour is laid last, so it owns the two corners the lines share.
            FillLine(painter, rect.left(), rect.top(), rect.right(), rect.top(), topLeft);
            FillLine(painter, rect.left(), rect.top(), rect.left(), rect.bottom(), topLeft);
            FillLine(painter, rect.left(), rect.bottom(), rect.right(), rect.bottom(), bottomRight);
            FillLine(painter, rect.right(), rect.top(), rect.right(), rect.bottom(), bottomRight);
        }
        rect.adjust(1, 1, -1, -1);
    }
}

// ---- TPanel ------------------------------------------------------------------------------------

const rtti::TClassInfo* TPanel::StaticClass() {
    using C = TPanel;
    using namespace rtti;
    static const TClassInfo info(
        "TPanel", TWinControl::StaticClass(), Creator<C>(),
        QtControlProps<C>({
            pub::Enum<C>("Alignment", AlignmentInfo(), &C::Alignment, &C::SetAlignment, 2),
            pub::Enum<C>("BevelInner", BevelCutInfo(), &C::BevelInner, &C::SetBevelInner, 0),
            pub::Enum<C>("BevelKind", BevelKindInfo(), &C::BevelKind, &C::SetBevelKind, 0),
            pub::Enum<C>("BevelOuter", BevelCutInfo(), &C::BevelOuter, &C::SetBevelOuter, 2),
            pub::Integer<C>("BevelWidth", &C::BevelWidth, &C::SetBevelWidth, 1),
            pub::Integer<C>("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, 0),
        }));
    return &info;
}

TPanel::TPanel() {
    widget_ = new TPaintWidget([this](QPainter& p) { Paint(p); });
    SetAccessible(widget_, {TAccessibleRole::Pane, [this] { return DecodeForCharset(GetText(), Font()->Charset()); }, {}});
    widget_->setAutoFillBackground(false);
    RouteMouse();
    SetBounds(0, 0, 185, 41);
    ApplyFont();
}

void TPanel::SetBevelInner(TBevelCut cut) {
    bevelInner_ = cut;
    FrameChanged();
}
void TPanel::SetBevelOuter(TBevelCut cut) {
    bevelOuter_ = cut;
    FrameChanged();
}
void TPanel::SetBevelWidth(std::int32_t width) {
    bevelWidth_ = std::clamp(width, 1, 64);
    FrameChanged();
}
void TPanel::SetBevelKind(TBevelKind kind) {
    bevelKind_ = kind;
    FrameChanged();
}
void TPanel::SetBorderWidth(std::int32_t width) {
    borderWidth_ = std::clamp(width, 0, 64);
    FrameChanged();
}
void TPanel::SetAlignment(TAlignment alignment) {
    alignment_ = alignment;
    Repaint();
}

int TPanel::FrameWidth() const {
    const int bevels = (bevelOuter_ != TBevelCut::bvNone ? bevelWidth_ : 0) + (bevelInner_ != TBevelCut::bvNone ? bevelWidth_ : 0);
    // A bevel kind draws the same bevels once more as the window's edge.
    return (bevelKind_ != TBevelKind::bkNone ? bevels : 0) + bevels + borderWidth_;
}

QRect TPanel::AlignRect() const {
    const int f = FrameWidth();
    return QRect(0, 0, Width(), Height()).adjusted(f, f, -f, -f);
}

void TPanel::FrameChanged() {
    if (!Loading()) AlignControls(*this);
    Repaint();
}

QRect TPanel::CaptionBand(int lineHeight) const {
    // The caption is centred vertically in the frame, which is as wide on every side.
    const int margin = 2;
    return QRect(0, (Height() - lineHeight) / 2 - margin, Width(), lineHeight + 2 * margin);
}

void TPanel::TextChanged() {
    const int lineHeight = GetText().empty() ? 0 : QFontMetrics(ToQFont(*Font())).height();
    const int band = std::max(lineHeight, paintedCaptionHeight_);
    if (!painted_ || !widget_) {
        TQtControl<rtti::TWinControl>::TextChanged();
        return;
    }
    if (band > 0) widget_->update(CaptionBand(band));
    AccessibleNameChanged(widget_);
}

void TPanel::Paint(QPainter& painter) {
    painted_ = true;
    paintedCaptionHeight_ = 0;
    QRect rect(0, 0, Width(), Height());
    painter.fillRect(rect, ToQColor(EffectiveColor(*this)));
    if (bevelKind_ != TBevelKind::bkNone) {
        // The soft edge: a darker line outside, a lighter one inside.
        const int edge = FrameWidth() - borderWidth_ - (FrameWidth() - borderWidth_) / 2;
        for (int i = 0; i < edge; ++i) {
            const QColor color = i == 0 ? QColor(176, 176, 176) : QColor(226, 226, 226);
            FillLine(painter, rect.left(), rect.top(), rect.right(), rect.top(), color);
            FillLine(painter, rect.left(), rect.bottom(), rect.right(), rect.bottom(), color);
            FillLine(painter, rect.left(), rect.top(), rect.left(), rect.bottom(), color);
            FillLine(painter, rect.right(), rect.top(), rect.right(), rect.bottom(), color);
            rect.adjust(1, 1, -1, -1);
        }
    }
    DrawBevel(painter, rect, bevelOuter_, bevelWidth_);
    rect.adjust(borderWidth_, borderWidth_, -borderWidth_, -borderWidth_);
    DrawBevel(painter, rect, bevelInner_, bevelWidth_);
    const AnsiString caption = GetText();
    if (caption.empty()) return;
    painter.setFont(ToQFont(*Font()));
    paintedCaptionHeight_ = painter.fontMetrics().height();
    painter.setPen(ToQColor(Font()->Color()));
    int flags = Qt::AlignVCenter | Qt::TextSingleLine;
    flags |= alignment_ == TAlignment::taCenter ? Qt::AlignHCenter
             : alignment_ == TAlignment::taRightJustify ? Qt::AlignRight
                                                        : Qt::AlignLeft;
    painter.drawText(rect, flags, DecodeForCharset(caption, Font()->Charset()));
}

// ---- TImage ------------------------------------------------------------------------------------

const rtti::TClassInfo* TImage::StaticClass() {
    using C = TImage;
    using namespace rtti;
    static const TClassInfo info("TImage", TControl::StaticClass(), Creator<C>(),
                                 QtControlProps<C>({
                                     pub::Bool<C>("Center", &C::Center, &C::SetCenter, false),
                                     pub::Object<C>("Picture", TPicture::StaticClass(), &C::Picture),
                                     pub::Bool<C>("Proportional", &C::Proportional, &C::SetProportional, false),
                                     pub::Bool<C>("Stretch", &C::Stretch, &C::SetStretch, false),
                                     pub::Bool<C>("Transparent", &C::Transparent, &C::SetTransparent, false),
                                 }));
    return &info;
}

TImage::TImage() : picture_(std::make_unique<rtti::TPicture>()) {
    widget_ = new TPaintWidget([this](QPainter& p) { Paint(p); });
    // A picture is named by its hint; the program names the clickable ones otherwise.
    SetAccessible(widget_, {TAccessibleRole::Graphic, [this] { return DecodeHint(Hint()); }, {}});
    widget_->setAttribute(Qt::WA_TranslucentBackground);
    picture_->OnChange = [this](rtti::TPicture*) { PictureChanged(); };
    RouteMouse();
    SetBounds(0, 0, 105, 105);
}

void TImage::SetCenter(bool on) {
    center_ = on;
    Repaint();
}
void TImage::SetStretch(bool on) {
    stretch_ = on;
    Repaint();
}
void TImage::SetTransparent(bool on) {
    transparent_ = on;
    Rebuild();
}
void TImage::SetProportional(bool on) {
    proportional_ = on;
    Repaint();
}

void TImage::PictureChanged() {
    const std::vector<std::uint8_t>& data = picture_->Data();
    // A class or PNG header that is wrong is an error now, as a bitmap that does not read is.
    const bool png = CheckPictureData(data) == TPictureKind::Png;
    TDecodedPicture decoded;
    if (!png) decoded = DecodePictureData(data);
    bitmap_.Clear();
    png_ = QImage();
    pngPending_ = png;
    if (auto* bmp = std::get_if<bitmap::TBitmap>(&decoded.Graphic)) bitmap_ = std::move(*bmp);
    Rebuild();
}

void TImage::DecodePending() const {
    if (!pngPending_) return;
    pngPending_ = false;
    try {
        TDecodedPicture decoded = DecodePictureData(picture_->Data());
        if (auto* image = std::get_if<QImage>(&decoded.Graphic)) png_ = std::move(*image);
    } catch (const rtl::Exception&) {
        // Its header was fine; pixel data that does not decode leaves the picture empty.
    }
    MakeShown();
}

void TImage::BitmapChanged() {
    DecodePending();
    png_ = QImage();
    Rebuild();
}

void TImage::LoadBitmapFromFile(const AnsiString& fileName) {
    bitmap::TBitmap loaded;
    loaded.LoadFromFile(fileName);
    pngPending_ = false;
    bitmap_ = std::move(loaded);
    BitmapChanged();
}

void TImage::ClearPicture() {
    pngPending_ = false;
    bitmap_.Clear();
    png_ = QImage();
    Rebuild();
}

void TImage::Rebuild() {
    if (!pngPending_) MakeShown();
    Repaint();
}

void TImage::MakeShown() const {
    if (!png_.isNull()) {
        shown_ = png_;
    } else {
        shown_ = BitmapToImage(bitmap_);
        // A transparent bitmap leaves out the colour of its bottom-left pixel.
        if (transparent_ && !shown_.isNull()) {
            const QRgb key = shown_.pixel(0, shown_.height() - 1);
            shown_ = shown_.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < shown_.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(shown_.scanLine(y));
                for (int x = 0; x < shown_.width(); ++x)
                    if ((line[x] & 0x00FFFFFFu) == (key & 0x00FFFFFFu)) line[x] = 0;
            }
        }
    }
}

QRect TImage::DestRect() const {
    DecodePending();
    if (shown_.isNull()) return {};
    const QRect area(0, 0, Width(), Height());
    QSize size = shown_.size();
    if (stretch_) {
        size = proportional_ ? size.scaled(area.size(), Qt::KeepAspectRatio) : area.size();
    } else if (proportional_ && (size.width() > area.width() || size.height() > area.height())) {
        size = size.scaled(area.size(), Qt::KeepAspectRatio);
    }
    if (center_) return QRect(QPoint((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
    return QRect(QPoint(0, 0), size);
}

void TImage::Paint(QPainter& painter) {
    DecodePending();
    if (shown_.isNull()) return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, stretch_);
    painter.drawImage(DestRect(), shown_);
}

}  // namespace ui
