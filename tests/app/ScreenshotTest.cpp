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

#include "app/LocalizerHost.h"
#include "localizer/LocOnFly.h"
#include "platform/winres/WinRes.h"

namespace {

// The windows after a switch to Spanish, as the program starts them (localizer included).
TEST(Screenshots, AfterSwitchingToSpanish) {
    const char* out = std::getenv("VLMRK_SCREENSHOT_DIR");
    if (!out) GTEST_SKIP() << "VLMRK_SCREENSHOT_DIR not set";
    const QString folder = QString::fromLocal8Bit(out);
    guitest::QtApp();
    const auto dir = std::filesystem::temp_directory_path() / ("vlmrk-shot-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    winres::SetAppFileName((dir / "Vlmrk").string());
    app::InstallPlatformHooks();
    guitest::TScriptScope scope;
    auto locUtils = std::make_unique<modres::TKLocUtils>();
    auto theLocalizer = std::make_unique<localizer::TKLocalizerOnFly>();
    app::InstallLocalizerHost(*theLocalizer);
    theLocalizer->Initialize("", "");
    {
        ui::TApplication application;
        application.Initialize();
        application.SetTitle("Veilmark 1.0");
        auto* form = ui::CreateForm<app::TForm1>();
        auto* about = ui::CreateForm<app::TAboutBox>();
        about->Hide();
        form->SetWindowState(ui::TWindowState::wsNormal);
        form->SetBounds(0, 0, 760, 560);
        form->Show();
        theLocalizer->SwitchToLanguage(10);
        Settle();
        form->Widget()->grab().save(folder + "/main-es.png");
        EXPECT_EQ(form->lbl1->GetText(), "Cifrar");
        EXPECT_EQ(form->stat1->SimpleText(), "Listo");
        EXPECT_EQ(form->lbl1->Left(), 48 - form->lbl1->Width() / 2);
        scope.Script().WhileModal = [&](QWidget* window) {
            Settle();
            window->grab().save(folder + "/about-es.png");
        };
        form->actAboutExecute(nullptr);
        EXPECT_TRUE(scope.Script().Boxes.empty());
    }
    theLocalizer.reset();
    locUtils.reset();
    std::filesystem::remove_all(dir);
}

}  // namespace
