// vlmrk-tool lang: gettext PO files, for translators who work in PO editors.
//
//   lang export-po BASE [TRANSLATION] [-o OUT]    the PO of TRANSLATION, or without it the template
//                                                (POT) of BASE; standard output without -o
//   lang import-po BASE PO OUT [--source]         a language file (or translation source) for the
//                                                PO's language, numbered like BASE
//   lang stats [--text] [--base BASE] FILE...     translated, outdated and untranslated items per
//                                                language, counted as msgfmt --statistics counts
//   lang update BASE OLD OUT [--source|--po]      OLD brought up to the base BASE, as msgmerge does
//
// BASE is the native language: a language file or a translation source. TRANSLATION and OLD may
// be a language file, a translation source or a PO file. Translation sources whose items carry
// no ids (the example languages) are matched by names; update always matches by names, so the
// ids follow the base. Warnings (entries the base lacks, ...) go to standard error.

#include <cstdio>
#include <cstdlib>
#include <set>
#include <filesystem>
#include <optional>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPo.h"
#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtti/FormText.h"
#include "platform/winres/WinRes.h"
#include "tools/vlmrk-tool/Json.h"
#include "tools/vlmrk-tool/Options.h"
#include "tools/vlmrk-tool/ToolCommands.h"

namespace tool {

namespace {

using namespace locstore;
using langdata::TLangFileHeader;

// Inputs larger than this are no language and no PO file.
constexpr std::uintmax_t kMaxInputBytes = 64u << 20;

enum class TInputKind { LangFile, Source, Po };

struct TInput {
    TInputKind Kind;
    std::string Text;  // the file's bytes
};

TInput ReadInput(const std::string& path) {
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxInputBytes) throw rtl::Exception("\"" + path + "\" is too large for a language or PO file");
    rtl::TMemoryStream stream;
    stream.LoadFromFile(path);
    TInput in;
    in.Text.assign(stream.Bytes().begin(), stream.Bytes().end());
    const std::string_view text = in.Text;
    if (text.substr(0, 2) == "LF" || text.substr(0, 5) == "LZK00") {
        in.Kind = TInputKind::LangFile;
        return in;
    }
    const std::string ext = std::filesystem::path(path).extension().string();
    if (ext == ".po" || ext == ".pot") {
        in.Kind = TInputKind::Po;
        return in;
    }
    // Otherwise the first statement tells: a source begins with its header, a PO with msgctxt,
    // msgid or its comments' "#." / "#,".
    in.Kind = TInputKind::Source;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string_view line = text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string_view::npos) continue;
        line = line.substr(first);
        if (line.rfind("msgid", 0) == 0 || line.rfind("msgctxt", 0) == 0 || line.rfind("#.", 0) == 0 ||
            line.rfind("#,", 0) == 0 || line.rfind("#:", 0) == 0) {
            in.Kind = TInputKind::Po;
            break;
        }
        if (line[0] != '#') break;
    }
    return in;
}

bool HasUnnumberedItems(const TLocStorage& store) {
    for (const auto& p : langdata::PoItems(store))
        if (p.Item->Id() == 0) return true;
    return false;
}

// The base language as the program reads it: a structure load of the compiled file.
TLangFileHeader LoadBase(const std::string& path, TLocStorage& store) {
    TInput in = ReadInput(path);
    if (in.Kind == TInputKind::Po) throw rtl::Exception("the base \"" + path + "\" must be a language file or source");
    std::vector<std::uint8_t> bytes(in.Text.begin(), in.Text.end());
    if (in.Kind == TInputKind::Source) {
        TLocStorage parsed;
        TLangFileHeader header = langdata::ParseLangSource(in.Text, path, parsed);
        bytes = langdata::MakeLanguageFile(header, parsed, 0, header.FormatVersion);
    }
    rtl::TMemoryStream stream(bytes);
    langdata::TLangFile file;
    file.LoadFromStream(stream, &store, 0, -1);
    return file.Header();
}

void PrintWarnings(const std::vector<std::string>& warnings) {
    for (const auto& w : warnings) std::fprintf(stderr, "vlmrk-tool: %s\n", w.c_str());
}

struct TLoaded {
    int Slot = 0;
    TLangFileHeader Header;
    int Skipped = 0;  // entries or records the base does not have
};

// Loads a translation of any kind into a new value slot of the store (which holds the base).
TLoaded LoadTranslation(const std::string& path, TLocStorage& store, const TLangFileHeader& base, bool byName) {
    TInput in = ReadInput(path);
    TLoaded loaded;
    if (in.Kind == TInputKind::Po) {
        langdata::TPoFile po = langdata::ParsePo(in.Text, path);
        loaded.Header = langdata::PoLanguageHeader(po, base, path);
        loaded.Slot = store.AddLanguage(0, loaded.Header.LanguageId);
        langdata::TPoImportResult result = langdata::ImportPo(po, store, loaded.Slot, path);
        PrintWarnings(result.Warnings);
        loaded.Skipped = result.Skipped;
        return loaded;
    }
    std::vector<std::uint8_t> bytes(in.Text.begin(), in.Text.end());
    if (in.Kind == TInputKind::Source) {
        TLocStorage parsed;
        TLangFileHeader header = langdata::ParseLangSource(in.Text, path, parsed);
        byName = byName || HasUnnumberedItems(parsed);
        bytes = langdata::MakeLanguageFile(header, parsed, 0, header.FormatVersion);
    }
    rtl::TMemoryStream stream(bytes);
    langdata::TLangFile file;
    TLangFileHeader header;
    langdata::ReadLangFileHeader(stream, header);
    stream.SetPosition(0);
    loaded.Slot = store.AddLanguage(0, header.LanguageId);
    file.LoadFromStream(stream, &store, byName ? langdata::lroMatchByName : 0, loaded.Slot);
    // The header as the file has it (reading raises the maxima to the ids it meets). Matched by
    // names, the translation takes the base's numbering, and with it the base's maxima.
    loaded.Header = header;
    if (byName) {
        loaded.Header.MaxConstantId = base.MaxConstantId;
        loaded.Header.MaxPropertyId = base.MaxPropertyId;
        loaded.Header.MaxExternalId = base.MaxExternalId;
    }
    return loaded;
}

// Classes of the program's forms and components, read from the form resources of the program
// image (none in the bootstrap tool, which has no image).
langdata::TComponentClasses ProgramClasses() {
    langdata::TComponentClasses classes;
    if (winres::AppImage().empty()) return classes;
    const winres::HMODULE module = winres::AppInstance();
    std::vector<winres::TResName> names;
    winres::EnumResourceNames(module, winres::RT_RCDATA, [&](const winres::TResName& name) {
        names.push_back(name);
        return true;
    });
    for (const auto& name : names) {
        std::span<const std::uint8_t> bytes = winres::ResourceBytes(module, name, winres::RT_RCDATA);
        if (bytes.size() < 4 || std::string_view(reinterpret_cast<const char*>(bytes.data()), 4) != "TPF0") continue;
        rtl::TMemoryStream stream(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
        std::string text = rtti::ObjectBinaryToText(stream);
        // "object Form1: TForm1" at the top, "  object lbl1: TLabel" below it, at any depth.
        std::string form;
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t nl = text.find('\n', pos);
            std::string line = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            pos = nl == std::string::npos ? text.size() : nl + 1;
            std::size_t first = line.find_first_not_of(' ');
            if (first == std::string::npos || line.compare(first, 7, "object ") != 0) continue;
            std::size_t colon = line.find(':', first);
            if (colon == std::string::npos) continue;
            std::string object = line.substr(first + 7, colon - first - 7);
            std::string cls = line.substr(colon + 1);
            while (!cls.empty() && (cls.front() == ' ')) cls.erase(0, 1);
            while (!cls.empty() && (cls.back() == ' ' || cls.back() == '\r')) cls.pop_back();
            if (first == 0) form = object, classes[form] = cls;
            else if (!form.empty()) classes[form + "." + object] = cls;
        }
    }
    return classes;
}

void WriteText(const std::string& out, const std::string& text) {
    if (out.empty() || out == "-") {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    rtl::SaveFileAtomically(out, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// A language in the store's slot written as a language file, a translation source or a PO.
enum class TOutputKind { LangFile, Source, Po };

void WriteLanguage(const std::string& out, TOutputKind kind, const TLocStorage& store, const TLangFileHeader& base,
                   int slot, const TLangFileHeader& header) {
    switch (kind) {
        case TOutputKind::LangFile:
            rtl::SaveFileAtomically(out, langdata::MakeLanguageFile(header, store, slot, header.FormatVersion));
            break;
        case TOutputKind::Source: WriteText(out, langdata::WriteLangSource(header, store, slot)); break;
        case TOutputKind::Po:
            WriteText(out, langdata::WritePo(langdata::ExportPo(store, base, slot, &header, ProgramClasses())));
            break;
    }
}

int ExportPo(const Args& args) {
    std::string out;
    bool byName = false;
    TOptions options;
    options.Value("-o", out).Flag("--by-name", byName);
    const Args files = options.Parse(args, 1);
    if (files.empty() || files.size() > 2) throw EUsage("expected BASE and an optional TRANSLATION");
    TLocStorage store;
    const TLangFileHeader base = LoadBase(files[0], store);
    if (files.size() == 1) {
        WriteText(out, langdata::WritePo(langdata::ExportPo(store, base, -1, nullptr, ProgramClasses())));
        return 0;
    }
    TLoaded loaded = LoadTranslation(files[1], store, base, byName);
    WriteLanguage(out, TOutputKind::Po, store, base, loaded.Slot, loaded.Header);
    return 0;
}

int ImportPo(const Args& args) {
    bool source = false;
    TOptions options;
    options.Flag("--source", source);
    const Args files = options.Parse(args, 1);
    if (files.size() != 3) throw EUsage("expected BASE, PO and OUT");
    TLocStorage store;
    const TLangFileHeader base = LoadBase(files[0], store);
    TInput in = ReadInput(files[1]);
    langdata::TPoFile po = langdata::ParsePo(in.Text, files[1]);
    TLangFileHeader header = langdata::PoLanguageHeader(po, base, files[1]);
    const int slot = store.AddLanguage(0, header.LanguageId);
    PrintWarnings(langdata::ImportPo(po, store, slot, files[1]).Warnings);
    WriteLanguage(files[2], source ? TOutputKind::Source : TOutputKind::LangFile, store, base, slot, header);
    return 0;
}

int Update(const Args& args) {
    TOutputKind kind = TOutputKind::LangFile;
    TOptions options;
    options.Custom("--source", false, [&kind](const std::string&) { kind = TOutputKind::Source; });
    options.Custom("--po", false, [&kind](const std::string&) { kind = TOutputKind::Po; });
    const Args files = options.Parse(args, 1);
    if (files.size() != 3) throw EUsage("expected BASE, OLDTRANSLATION and OUT");
    TLocStorage store;
    const TLangFileHeader base = LoadBase(files[0], store);
    TLoaded loaded = LoadTranslation(files[1], store, base, true);

    // The items the new base dropped: the old translation's own items the base lacks.
    int dropped = loaded.Skipped;
    if (ReadInput(files[1]).Kind != TInputKind::Po) {
        TLocStorage old;
        LoadBase(files[1], old);
        std::set<std::string> kept;
        for (const auto& p : langdata::PoItems(store)) kept.insert(p.Context);
        for (const auto& p : langdata::PoItems(old))
            if (!kept.count(p.Context)) ++dropped;
    }
    int current = 0, outdated = 0, untranslated = 0;
    for (const auto& p : langdata::PoItems(store)) {
        const TLocValue* v = p.Item->Values().Value(loaded.Slot);
        if (v->Revision() < 0) ++untranslated;
        else if (v->Revision() < p.Item->BaseValue()->Revision()) ++outdated;
        else ++current;
    }
    TLangFileHeader header = loaded.Header;
    header.Version = base.Version;
    header.MaxConstantId = base.MaxConstantId;
    header.MaxPropertyId = base.MaxPropertyId;
    header.MaxExternalId = base.MaxExternalId;
    WriteLanguage(files[2], kind, store, base, loaded.Slot, header);

    JsonWriter json;
    json.BeginObject().Key("current").Int(current).Key("outdated").Int(outdated);
    json.Key("untranslated").Int(untranslated).Key("dropped").Int(dropped).EndObject();
    std::printf("%s\n", json.Text().c_str());
    return 0;
}

int Stats(const Args& args) {
    std::string basePath;
    bool text = false;
    TOptions options;
    options.Flag("--text", text).Value("--base", basePath);
    const Args files = options.Parse(args, 1);
    if (files.empty()) throw EUsage("expected at least one FILE");
    // Without --base, the native language among the language files is the base.
    if (basePath.empty()) {
        for (const auto& f : files) {
            if (ReadInput(f).Kind == TInputKind::Po) continue;
            TLocStorage probe;
            if (LoadBase(f, probe).IsNative) {
                basePath = f;
                break;
            }
        }
    }
    struct TRow {
        std::string File;
        std::uint16_t LanguageId = 0;
        langdata::TPoStatistics Counts;
    };
    std::vector<TRow> rows;
    for (const auto& f : files) {
        TRow row;
        row.File = f;
        TInput in = ReadInput(f);
        if (in.Kind == TInputKind::Po) {
            langdata::TPoFile po = langdata::ParsePo(in.Text, f);
            row.Counts = langdata::CountPo(po);
            bool found = false;
            std::string id = po.HeaderField("X-Veilmark-Language-Id", &found);
            if (found) row.LanguageId = static_cast<std::uint16_t>(std::strtoul(id.c_str(), nullptr, 0));
        } else {
            if (basePath.empty()) throw EUsage("no native language among the files: give --base BASE");
            TLocStorage store;
            const TLangFileHeader base = LoadBase(basePath, store);
            TLoaded loaded = LoadTranslation(f, store, base, false);
            row.LanguageId = loaded.Header.LanguageId;
            // Counted on the PO the file exports to, so the numbers are msgfmt's.
            row.Counts = langdata::CountPo(langdata::ExportPo(store, base, loaded.Slot, &loaded.Header));
        }
        rows.push_back(row);
    }
    if (text) {
        std::printf("%-40s %8s %10s %8s %12s\n", "file", "language", "translated", "outdated", "untranslated");
        for (const auto& r : rows)
            std::printf("%-40s 0x%04X   %10d %8d %12d\n", r.File.c_str(), r.LanguageId, r.Counts.Translated,
                        r.Counts.Fuzzy, r.Counts.Untranslated);
        return 0;
    }
    JsonWriter json;
    json.BeginArray();
    for (const auto& r : rows) {
        json.BeginObject().Key("file").String(std::string_view(r.File));
        json.Key("languageId").Int(r.LanguageId);
        json.Key("translated").Int(r.Counts.Translated);
        json.Key("outdated").Int(r.Counts.Fuzzy);
        json.Key("untranslated").Int(r.Counts.Untranslated);
        json.EndObject();
    }
    json.EndArray();
    std::printf("%s\n", json.Text().c_str());
    return 0;
}

}  // namespace

int RunLangPo(const Args& args) {
    if (args[0] == "export-po") return ExportPo(args);
    if (args[0] == "import-po") return ImportPo(args);
    if (args[0] == "stats") return Stats(args);
    if (args[0] == "update") return Update(args);
    throw EUsage("unknown lang command \"" + args[0] + "\"");
}

}  // namespace tool
