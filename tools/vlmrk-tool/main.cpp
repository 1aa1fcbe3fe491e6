// vlmrk-tool: build-time compilers and inspection commands of Veilmark.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "app/BuildInfo.h"
#include "platform/rtl/Exception.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace {

struct Group {
    std::string_view name;
    int (*run)(const tool::Args&);
    std::string_view usage;
    std::string_view exitCodes;  // beyond "0 done, 2 error"
};

constexpr Group kGroups[] = {
    {"lzk", tool::RunLzk, "lzk compress IN OUT | lzk decompress IN OUT", ""},
    {"stego", tool::RunStego,
     "stego capacity IMG [--json] | stego hide IN OUT [TEXTFILE] [--force] [--raw | --codepage N] "
     "[--lsb-matching] [--passphrase-file FILE] | stego reveal IMG [--raw | --codepage N] [--passphrase-file FILE]",
     "  hide: \"-\" for IN reads the image from standard input, \"-\" for OUT writes it to standard\n"
     "  output; an existing OUT is kept (exit 2) unless --force. capacity: exit 2 when the image's\n"
     "  format cannot carry text. reveal: exit 1 when the image carries no hidden text.\n"
     "  Text goes in and out as UTF-8 and is hidden in the system's code page; --codepage N names\n"
     "  another, --raw hides and reveals the bytes as they are. --lsb-matching changes carriers by one\n"
     "  step at random instead of replacing their lowest bit. A passphrase comes from\n"
     "  --passphrase-file or, without it, from VEILMARK_PASSPHRASE (when set); reveal exits 3 when\n"
     "  the text is encrypted and no passphrase was given (a wrong passphrase is an error, exit 2).\n"},
    {"locale", tool::RunLocale, "locale info ID | locale find CODE | locale list", ""},
    {"lang", tool::RunLang,
     "lang compile SRC OUT [--lzk] [--format N] | lang dump FILE [TRANSLATION...] | "
     "lang export-po BASE [TRANSLATION] [-o OUT] [--by-name] | lang import-po BASE PO OUT [--source] | "
     "lang stats [--text] [--base BASE] FILE... | lang update BASE OLDTRANSLATION OUT [--source|--po]",
     ""},
    {"pack", tool::RunPack, "pack build OUT LNG... | pack list PACK | pack extract PACK ID OUT", ""},
    {"form", tool::RunForm, "form compile TXT OUT | form decompile BIN", ""},
    {"module", tool::RunModule,
     "module dump FILE | module dump --self | module write-native OUT | "
     "module build LNG OUT [--native-lng FILE] [--native-module FILE]",
     ""},
    {"bmp", tool::RunBmp, "bmp info FILE | bmp png FILE OUT",
     "  info: the headers as JSON. png: the picture as the program draws it, as PNG; \"-\" for OUT\n"
     "  writes to standard output. Both refuse a file the program cannot load.\n"},
};

constexpr std::string_view kExitCodes =
    "Exit status: 0 done; 1 stego reveal found no hidden text; 2 a wrong command line or an error\n"
    "(the message goes to standard error); 3 when the text is encrypted and no passphrase was given\n"
    "(stego reveal).\n";

void Print(std::FILE* out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

void PrintHelp(std::FILE* out) {
    Print(out, "Usage: vlmrk-tool COMMAND ...\n       vlmrk-tool --help | --version\n\nCommands:\n");
    for (const auto& g : kGroups) {
        Print(out, "  ");
        Print(out, g.usage);
        Print(out, "\n");
    }
    Print(out,
          "\nOptions may come before or after the file names; \"--\" ends the options.\n"
          "JSON goes to standard output as UTF-8. \"vlmrk-tool COMMAND --help\" tells more.\n\n");
    Print(out, kExitCodes);
}

void PrintGroupHelp(const Group& g) {
    Print(stdout, "Usage: vlmrk-tool ");
    Print(stdout, g.usage);
    Print(stdout, "\n\n");
    Print(stdout, g.exitCodes);
    if (!g.exitCodes.empty()) Print(stdout, "\n");
    Print(stdout, kExitCodes);
}

bool AsksForHelp(const tool::Args& args) {
    for (const auto& word : args) {
        if (word == "--") return false;
        if (word == "--help" || word == "-h") return true;
    }
    return false;
}

// "vlmrk-tool: MESSAGE", and " [CODE]" after it when a reader named the check that refused its
// input, so a script or a test can tell one refusal from another whatever the language.
void PrintError(const std::exception& e) {
    const auto* error = dynamic_cast<const rtl::Exception*>(&e);
    if (error && error->HasCode()) {
        const std::string_view code = error->Code();
        std::fprintf(stderr, "vlmrk-tool: %s [%.*s]\n", e.what(), static_cast<int>(code.size()), code.data());
    } else {
        std::fprintf(stderr, "vlmrk-tool: %s\n", e.what());
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        PrintHelp(stderr);
        return 2;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintHelp(stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("vlmrk-tool (Veilmark) %s, sources of %s\n", app::ProductVersion(), app::SourceDate());
        return 0;
    }
    for (const auto& g : kGroups) {
        if (g.name != argv[1]) continue;
        tool::Args args(argv + 2, argv + argc);
        if (AsksForHelp(args)) {
            PrintGroupHelp(g);
            return 0;
        }
        try {
            return g.run(args);
        } catch (const tool::EUsage& e) {
            std::fprintf(stderr, "vlmrk-tool: %s\nUsage: vlmrk-tool %.*s\n", e.what(), static_cast<int>(g.usage.size()),
                         g.usage.data());
        } catch (const std::exception& e) {
            PrintError(e);
        }
        return 2;
    }
    std::fprintf(stderr, "vlmrk-tool: unknown command \"%s\"\n", argv[1]);
    PrintHelp(stderr);
    return 2;
}
