// vlmrk-tool lang: translation sources and language files.
//
//   lang compile SRC OUT [--lzk] [--format N]   a translation source to a language file of format
//                                              N (1 to 7, default 7), optionally LZK-compressed
//   lang dump FILE [TRANSLATION...]            FILE loaded as the store's structure, each
//                                              TRANSLATION into a language of its own; JSON
//   lang export-po | import-po | stats | update  gettext PO files (CmdPo.cpp)
//
// OUT is written under a temporary name and renamed when complete.

#include <cstdio>
#include <memory>

#include "langdata/LangFileWriter.h"
#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "locstore/KLocales.h"
#include "locstore/LocStorage.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/FileUtils.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

using namespace locstore;
using langdata::TLangFileHeader;

void Name(JsonWriter& json, const rtl::AnsiString& name) { json.String(AnsiToWide(name, nls::GetACP())); }

void Header(JsonWriter& json, const TLangFileHeader& h, bool compressed) {
    json.BeginObject();
    json.Key("formatVersion").Int(h.FormatVersion);
    json.Key("version").Int(h.Version);
    json.Key("build").Int(h.Build);
    json.Key("languageId").Int(h.LanguageId);
    json.Key("basedOnLanguageId").Int(h.BasedOnLanguageId);
    json.Key("englishName");
    Name(json, h.EnglishName);
    json.Key("nativeName").String(h.NativeName);
    json.Key("isNative").Bool(h.IsNative);
    json.Key("options").Int(h.Options);
    json.Key("maxConstantId").Int(h.MaxConstantId);
    json.Key("maxPropertyId").Int(h.MaxPropertyId);
    json.Key("maxExternalId").Int(h.MaxExternalId);
    json.Key("compressed").Bool(compressed);
    json.EndObject();
}

void Values(JsonWriter& json, const TLocItem* item) {
    json.Key("values").BeginArray();
    for (int i = 0; i < item->Values().Count(); ++i) {
        const TLocValue* v = item->Values().Value(i);
        char stamp[17];
        for (int b = 0; b < 8; ++b)
            std::snprintf(stamp + 2 * b, 3, "%02x", static_cast<unsigned>((v->Stamp() >> (8 * b)) & 0xFF));
        json.BeginObject();
        json.Key("text").String(v->Text());
        json.Key("revision").Int(v->Revision());
        json.Key("flags").Int(v->Flags());
        json.Key("languageId").Int(v->LanguageId());
        json.Key("stamp").String(std::string_view(stamp, 16));
        json.EndObject();
    }
    json.EndArray();
}

void Properties(JsonWriter& json, const TLocPropertyList& list) {
    json.Key("properties").BeginArray();
    for (int i = 0; i < list.Count(); ++i) {
        const TLocProperty* p = list.ItemAt(i);
        json.BeginObject().Key("name");
        Name(json, p->Name());
        json.Key("id").Int(static_cast<std::uint32_t>(p->Id()));
        json.Key("kind").Int(p->ValueKind());
        Values(json, p);
        json.EndObject();
    }
    json.EndArray();
}

int Dump(const Args& rawArgs) {
    const Args args = TOptions().Parse(rawArgs);
    if (args.size() < 2) throw EUsage("expected a language file");
    TLocStorage store;
    langdata::TLangFile main(args[1], true);
    main.LoadFromFile(&store, -1, 0);

    JsonWriter json;
    json.BeginObject().Key("header");
    Header(json, main.Header(), main.Compressed());
    json.Key("translations").BeginArray();
    for (std::size_t i = 2; i < args.size(); ++i) {
        langdata::TLangFile file(args[i], true);
        int index = store.AddLanguage(0, static_cast<std::uint16_t>(file.LanguageId()));
        file.LoadFromFile(&store, index, 0);
        Header(json, file.Header(), file.Compressed());
    }
    json.EndArray();
    json.Key("languages").BeginArray();
    for (int i = 0; i < store.LanguageCount(); ++i) json.Int(store.LanguageAt(i));
    json.EndArray();

    json.Key("units").BeginArray();
    for (int u = 0; u < store.Units().Count(); ++u) {
        const TLocUnit* unit = store.Units().ItemAt(u);
        json.BeginObject().Key("name");
        Name(json, unit->Name());
        json.Key("flags").Int(unit->Flags());
        json.Key("constants").BeginArray();
        for (int c = 0; c < unit->Constants().Count(); ++c) {
            const TLocConstant* k = unit->Constants().ItemAt(c);
            json.BeginObject().Key("name");
            Name(json, k->Name());
            json.Key("id").Int(static_cast<std::uint32_t>(k->Id()));
            json.Key("resourceId").Int(k->ResourceId());
            Values(json, k);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();

    json.Key("forms").BeginArray();
    for (int f = 0; f < store.Forms().Count(); ++f) {
        const TLocForm* form = store.Forms().ItemAt(f);
        json.BeginObject().Key("name");
        Name(json, form->Name());
        json.Key("flags").Int(form->Flags());
        Properties(json, form->Properties());
        json.Key("components").BeginArray();
        for (int c = 0; c < form->Components().Count(); ++c) {
            const TLocComponent* component = form->Components().ItemAt(c);
            json.BeginObject().Key("name");
            Name(json, component->Name());
            json.Key("flags").Int(component->Flags());
            Properties(json, component->Properties());
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();

    json.Key("groups").BeginArray();
    for (int g = 0; g < store.ExternalGroups().Count(); ++g) {
        const TLocExtGroup* group = store.ExternalGroups().ItemAt(g);
        json.BeginObject().Key("name");
        Name(json, group->Name());
        json.Key("flags").Int(group->Flags());
        json.Key("entries").BeginArray();
        for (int e = 0; e < group->Entries().Count(); ++e) {
            const TLocExtItem* entry = group->Entries().ItemAt(e);
            json.BeginObject().Key("name");
            Name(json, entry->Name());
            json.Key("id").Int(static_cast<std::uint32_t>(entry->Id()));
            Values(json, entry);
            json.EndObject();
        }
        json.EndArray().EndObject();
    }
    json.EndArray();
    json.EndObject();
    std::fwrite(json.Text().data(), 1, json.Text().size(), stdout);
    std::fputc('\n', stdout);
    return 0;
}

int Compile(const Args& args) {
    bool lzk = false;
    int format = langdata::LangFileMaxFormat;
    TOptions options;
    options.Flag("--lzk", lzk).Number("--format", format, 1, langdata::LangFileMaxFormat);
    const Args files = options.Parse(args, 1);
    if (files.size() != 2) throw EUsage("expected a source and an output file");
    TLocStorage store;
    TLangFileHeader header = langdata::LoadLangSource(files[0], store);
    std::vector<std::uint8_t> bytes = langdata::MakeLanguageFile(header, store, 0, format, lzk);
    rtl::SaveFileAtomically(files[1], bytes);
    return 0;
}

}  // namespace

int RunLang(const Args& args) {
    if (args.empty()) throw EUsage("expected a command");
    if (args[0] == "compile") return Compile(args);
    if (args[0] == "dump") return Dump(args);
    if (args[0] == "export-po" || args[0] == "import-po" || args[0] == "stats" || args[0] == "update")
        return RunLangPo(args);
    throw EUsage("unknown lang command \"" + args[0] + "\"");
}

}  // namespace tool
