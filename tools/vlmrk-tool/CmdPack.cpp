// vlmrk-tool pack: the language pack.
//
//   pack build OUT LNG...     a pack (version 4) of the language files in order, the first being
//                             the native language; blocks are stored LZK-compressed
//   pack list PACK            the directory as JSON
//   pack extract PACK ID OUT  one language file, decompressed (ID 0 = the first language)

#include <cstdio>

#include "langdata/LangPack.h"
#include "langdata/LocLangFile.h"
#include "langdata/kcompress/kcompress.h"
#include "locstore/KLocales.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

std::vector<std::uint8_t> ReadFile(const std::string& name) {
    rtl::TMemoryStream bytes;
    bytes.LoadFromFile(name);
    return bytes.TakeBytes();
}

int Build(const Args& args) {
    if (args.size() < 3) throw EUsage("expected the output file and at least one language file");
    std::vector<langdata::TLangPackItem> items;
    std::uint32_t projectVersion = 0;
    for (std::size_t i = 2; i < args.size(); ++i) {
        langdata::TLangPackItem item;
        rtl::TMemoryStream file(ReadFile(args[i]));
        langdata::TLangFile lang;
        lang.ReadHeader(file, false);  // checks the file and answers the directory's names
        item.LanguageId = static_cast<std::uint16_t>(lang.LanguageId());
        item.EnglishName = lang.EnglishName();
        item.NativeName = lang.NativeName();
        if (i == 2) projectVersion = lang.Version();
        file.SetPosition(0);
        if (langdata::IsLZKStream(file)) {
            item.Block = file.TakeBytes();
        } else {
            rtl::TMemoryStream packed;
            file.SetPosition(0);
            langdata::CompressLZKStream(file, packed);
            item.Block = packed.TakeBytes();
        }
        items.push_back(std::move(item));
    }
    rtl::TMemoryStream pack;
    langdata::WriteLanguagePack(pack, items, projectVersion);
    rtl::SaveFileAtomically(args[1], pack.Bytes());
    return 0;
}

int List(const Args& args) {
    if (args.size() != 2) throw EUsage("expected a pack file");
    std::vector<std::uint8_t> bytes = ReadFile(args[1]);
    langdata::TLangPackLayout layout = langdata::ReadLangPackLayout(bytes);
    JsonWriter out;
    out.BeginArray();
    for (const auto& block : layout.Blocks) {
        out.BeginObject();
        out.Key("languageId").Int(block.Entry.LanguageId);
        out.Key("englishName").String(locstore::AnsiToWide(block.Entry.EnglishName, nls::GetACP()));
        out.Key("nativeName").String(block.Entry.NativeName);
        out.Key("blockSize").Int(block.BlockSize);
        out.EndObject();
    }
    out.EndArray();
    std::fwrite(out.Text().data(), 1, out.Text().size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int Extract(const Args& args) {
    if (args.size() != 4) throw EUsage("expected a pack file, a language id and an output file");
    std::int32_t id = 0;
    if (!rtl::TryStrToInt(args[2], id) || id < 0 || id > 0xFFFF) throw EUsage("the language id is a number 0 to 65535");
    std::vector<std::uint8_t> bytes = ReadFile(args[1]);
    rtl::TMemoryStream lang;
    if (!langdata::ReadLanguagePack(bytes, static_cast<std::uint32_t>(id), 0, &lang)) {
        langdata::ReadLangPackLayout(bytes);  // says so when the file is no pack at all
        throw rtl::Exception("language " + args[2] + " is not in the pack");
    }
    rtl::SaveFileAtomically(args[3], lang.Bytes());
    return 0;
}

}  // namespace

int RunPack(const Args& rawArgs) {
    // No options, but "--" and the refusal of unknown options work as in every command.
    const Args args = TOptions().Parse(rawArgs);
    if (args.empty()) throw EUsage("expected a command");
    if (args[0] == "build") return Build(args);
    if (args[0] == "list") return List(args);
    if (args[0] == "extract") return Extract(args);
    throw EUsage("unknown pack command \"" + args[0] + "\"");
}

}  // namespace tool
