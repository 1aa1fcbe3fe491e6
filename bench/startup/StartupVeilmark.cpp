// Veilmark's start exactly as main() does it (the same start-up, the same RunProgram), ending
// once the main window is shown.

#include <memory>

#include <QApplication>
#include <QTimer>

#include "app/LocalizerHost.h"
#include "app/Startup.h"
#include "bench/startup/WaitShown.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "platform/ui/FontConfigLoad.h"
#include "platform/ui/Forms.h"

int main(int argc, char* argv[]) {
    ui::BeginFontConfigLoad();
    QApplication qtApplication(argc, argv);
    app::InstallPlatformHooks();
    auto locUtils = std::make_unique<modres::TKLocUtils>();
    auto theLocalizer = std::make_unique<localizer::TKLocalizerOnFly>();
    locUtils->IgnoreCheckErrors = false;
    app::InstallLocalizerHost(*theLocalizer);
    theLocalizer->Initialize("", "");
    // Once the message loop runs, the main form exists and is being shown.
    QTimer::singleShot(0, [] {
        if (ui::TApplication* application = ui::Application(); application && application->MainForm())
            QuitWhenShown(application->MainForm()->Widget());
    });
    const int result = app::RunProgram();
    theLocalizer.reset();
    locUtils.reset();
    return result;
}
