// vlmrk-tool: build-time compilers and inspection commands of Veilmark.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>

#include "tools/vlmrk-tool/ToolCommands.h"

namespace {

struct Group {
    std::string_view name;
    int (*run)(const tool::Args&);
    std::string_view usage;
};

constexpr Group kGroups[] = {
    {"lzk", tool::RunLzk, "lzk compress IN OUT | lzk decompress IN OUT"},
    {"stego", tool::RunStego,
     "stego capacity IMG | stego hide IN OUT [TEXTFILE] [--raw | --codepage N] [--lsb-matching] "
     "[--passphrase-file FILE] | stego reveal IMG [--raw | --codepage N] [--passphrase-file FILE]"},
    {"locale", tool::RunLocale, "locale info ID | locale find CODE | locale list"},
    {"lang", tool::RunLang,
     "lang compile SRC OUT [--lzk] [--format N] | lang dump FILE [TRANSLATION...] | "
     "lang export-po BASE [TRANSLATION] [-o OUT] [--by-name] | lang import-po BASE PO OUT [--source] | "
     "lang stats [--text] [--base BASE] FILE... | lang update BASE OLDTRANSLATION OUT [--source|--po]"},
    {"pack", tool::RunPack, "pack build OUT LNG... | pack list PACK | pack extract PACK ID OUT"},
    {"form", tool::RunForm, "form compile TXT OUT | form decompile BIN"},
    {"module", tool::RunModule,
     "module dump FILE | module dump --self | module write-native OUT | "
     "module build LNG OUT [--native-lng FILE] [--native-module FILE]"},
};

void PrintHelp(std::FILE* out) {
    std::fprintf(out, "Usage: vlmrk-tool COMMAND ...\n\nCommands:\n");
    for (const auto& g : kGroups) std::fprintf(out, "  %.*s\n", static_cast<int>(g.usage.size()), g.usage.data());
    std::fprintf(out, "\nJSON goes to standard output; errors go to standard error with exit status 2.\n");
    std::fprintf(out,
                 "stego: without --passphrase-file the passphrase comes from VEILMARK_PASSPHRASE (when set);\n"
                 "stego reveal exits 1 when the image holds no hidden text, 3 when the text is encrypted and\n"
                 "no passphrase was given, 2 on any error (a wrong passphrase among them).\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const auto& g : kGroups) {
        if (g.name != argv[1]) continue;
        tool::Args args(argv + 2, argv + argc);
        try {
            return g.run(args);
        } catch (const tool::EUsage& e) {
            std::fprintf(stderr, "vlmrk-tool: %s\nUsage: vlmrk-tool %.*s\n", e.what(), static_cast<int>(g.usage.size()),
                         g.usage.data());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vlmrk-tool: %s\n", e.what());
        }
        return 2;
    }
    std::fprintf(stderr, "vlmrk-tool: unknown command \"%s\"\n", argv[1]);
    PrintHelp(stderr);
    return 2;
}
