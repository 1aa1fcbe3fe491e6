// Pictures of the windows for people to look at: run with VLMRK_SCREENSHOT_DIR set (under
// xvfb-run with QT_QPA_PLATFORM=xcb for the real look); skipped otherwise.

#include <cstdlib>

#include <QApplication>
#include <QPixmap>

#include "platform/bitmap/Bitmap.h"
#include "tests/app/AppTestFixture.h"

namespace {

void Settle() {
    for (int i = 0; i < 20; ++i) QApplication::processEvents();
}

TEST_F(AppWindows, Screenshots) {
    const char* out = std::getenv("VLMRK_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "VLMRK_SCREENSHOT_DIR not set";
    const QString folder = QString::fromLocal8Bit(out);
    form->SetWindowState(ui::TWindowState::wsNormal);
    form->SetBounds(0, 0, 760, 560);
    form->Show();
    Settle();
    form->Widget()->grab().save(folder + "/main-empty.png");

    bitmap::TBitmap bmp(200, 150, 24);
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x) {
            std::uint8_t* p = bmp.ScanLine(y) + x * 3;
            p[0] = static_cast<std::uint8_t>(x + 40);
            p[1] = static_cast<std::uint8_t>(y + 60);
            p[2] = static_cast<std::uint8_t>(200 - x / 2);
        }
    bmp.SaveToFile(PathOf("shot.bmp"));
    Script().OpenAnswers.push_back(QString::fromStdString(PathOf("shot.bmp")));
    Run(&app::TForm1::actOpenBmpExecute);
    guitest::SendEnter(form->image5->Widget());
    Settle();
    form->Widget()->grab().save(folder + "/main-image.png");
    guitest::SendLeave(form->image5->Widget());

    Script().WhileModal = [&](QWidget* window) {
        Settle();
        window->grab().save(folder + "/about.png");
        guitest::SendEnter(about->Comments->Widget());
        guitest::SendMove(about->Comments->Widget());
        Settle();
        window->grab().save(folder + "/about-hover.png");
    };
    Run(&app::TForm1::actAboutExecute);
}

}  // namespace
