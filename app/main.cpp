// Veilmark: hides a text in a bitmap image and reads it back.

#include <memory>

#include <QApplication>

#include "app/LocalizerHost.h"
#include "app/Startup.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"

int main(int argc, char* argv[]) {
    // The Qt application comes first: the localization start-up may already show a message box.
    QApplication qtApplication(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("veilmark"));
    app::InstallPlatformHooks();

    // ---- Localization runtime start-up --------------------------------------------------------
    // The module utilities first, then (with the localizer) the controller Localizer, whose
    // CheckResourceModule re-raises its errors, and Localizer.Initialize("", "") before the
    // application object is set up, so a remembered language is in force for the windows.
    auto locUtils = std::make_unique<modres::TKLocUtils>();
    auto theLocalizer = std::make_unique<localizer::TKLocalizerOnFly>();
    locUtils->IgnoreCheckErrors = false;
    app::InstallLocalizerHost(*theLocalizer);
    theLocalizer->Initialize("", "");
    // -------------------------------------------------------------------------------------------

    const int result = app::RunProgram();

    // ---- Localization runtime shutdown: the controller first, then the module utilities. ------
    theLocalizer.reset();
    locUtils.reset();
    return result;
}
