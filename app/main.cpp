// Veilmark: hides a text in a bitmap image and reads it back.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>

#include "app/CommandLine.h"
#include "app/LocalizerHost.h"
#include "app/Startup.h"
#include "localizer/LocOnFly.h"
#include "modres/LocUtils.h"
#include "platform/ui/FontConfigLoad.h"

int main(int argc, char* argv[]) {
    // The command line first: --help, --version and a refused option need no display.
    const app::TCommandLine commandLine = app::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (commandLine.Action) {
        case app::TCommandLine::TAction::Help: {
            std::error_code ec;
            const std::string text = app::HelpText(std::filesystem::read_symlink("/proc/self/exe", ec).string());
            std::fputs(text.c_str(), stdout);
            return 0;
        }
        case app::TCommandLine::TAction::Version:
            std::fputs(app::VersionText().c_str(), stdout);
            return 0;
        case app::TCommandLine::TAction::Refuse:
            std::fprintf(stderr, "Vlmrk: %s\nTry \"Vlmrk --help\".\n", commandLine.Error.c_str());
            return app::kExitUsage;
        case app::TCommandLine::TAction::Run:
            break;
    }

    ui::BeginFontConfigLoad();
    // The Qt application comes first: the localization start-up may already show a message box.
    QApplication qtApplication(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.veilmark.Veilmark"));
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

    const int result = app::RunProgram(commandLine.FileName);

    // ---- Localization runtime shutdown: the controller first, then the module utilities. ------
    theLocalizer.reset();
    locUtils.reset();
    return result;
}
