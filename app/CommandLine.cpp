#include "app/CommandLine.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "app/BuildInfo.h"
#include "platform/registry/Registry.h"
#include "platform/rtl/FileUtils.h"
#include "platform/winres/FileSearch.h"

namespace app {

namespace {

// Qt's own options (QGuiApplication and QApplication), with one or two leading dashes.
constexpr std::array<std::string_view, 12> kQtValueOptions = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "display", "geometry", "style", "stylesheet", "session"};
constexpr std::array<std::string_view, 6> kQtFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount",
                                                      "testability"};

std::string_view QtName(std::string_view word) {
    word.remove_prefix(word.starts_with("--") ? 2 : 1);
    return word.substr(0, word.find('='));
}

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    TCommandLine result;
    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-') {
            files.push_back(word);
        } else if (word == "--") {
            optionsEnded = true;
        } else if (word == "--help" || word == "-h") {
            result.Action = TCommandLine::TAction::Help;
            return result;
        } else if (word == "--version") {
            result.Action = TCommandLine::TAction::Version;
            return result;
        } else if (Contains(kQtValueOptions, QtName(word))) {
            if (word.find('=') == std::string::npos) ++i;  // Qt takes the value from the next word
        } else if (!Contains(kQtFlags, QtName(word))) {
            result.Action = TCommandLine::TAction::Refuse;
            result.Error = "unknown option \"" + word + "\"";
            return result;
        }
    }
    if (files.size() > 1) {
        result.Action = TCommandLine::TAction::Refuse;
        result.Error = "one FILE at most";
        return result;
    }
    if (!files.empty()) result.FileName = files[0];
    return result;
}

std::string VersionText() {
    return std::string("Veilmark ") + ProductVersion() + ", sources of " + SourceDate() + "\n";
}

std::string HelpText(const rtl::AnsiString& exePath) {
    std::string text =
        "Usage: Vlmrk [OPTION]... [FILE]\n"
        "Hides a text in a BMP image and reads it back. FILE is opened at start as Open does.\n"
        "\n"
        "  --help      show this help and exit\n"
        "  --version   show the version and exit\n"
        "  --          end of options (for a FILE whose name starts with \"-\")\n"
        "Qt's own options (-platform, -style, ...) are passed to Qt.\n"
        "\n"
        "Exit status: 0 the window was closed, or --help/--version; 1 the windows could not be\n"
        "created; 2 a wrong command line.\n"
        "\n"
        "Files:\n"
        "  settings         " + registry::StoreFileName() + "\n"
        "                   ($XDG_CONFIG_HOME/veilmark/registry.ini)\n"
        "  language modules beside the executable when that folder is writable, else\n"
        "                   " + winres::CacheFolder() + " ($XDG_CACHE_HOME/veilmark/)\n"
        "  language files   Vlmrk.<CODE>.lng, the first found in:\n";
    const rtl::AnsiString exeDir = rtl::ExtractFilePath(exePath);
    for (const auto& folder : winres::LanguageFolders(exeDir)) text += "                     " + folder + "\n";
    text += "                   (the executable's folder, $XDG_DATA_HOME/veilmark/lang, then\n"
            "                   each of $XDG_DATA_DIRS/veilmark/lang)\n";
    return text;
}

}  // namespace app
