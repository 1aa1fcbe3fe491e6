#include "langdata/LangPo.h"

#include <charconv>
#include <cstdio>
#include <set>
#include <unordered_map>

#include "langdata/LangSource.h"
#include "locstore/KLocales.h"
#include "locstore/LocStorage.h"
#include "platform/nls/LocaleData.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Utf8.h"

namespace langdata {

using namespace locstore;

namespace {

constexpr char kDataComment[] = "veilmark:";

std::string Utf8(const WideString& text) { return rtl::Utf16ToUtf8(text); }
std::string NameUtf8(const AnsiString& name) { return Utf8(AnsiToWide(name, nls::GetACP())); }

bool IsTextKind(std::uint8_t kind) { return kind == lvkString || kind == lvkStrings; }

// ---- paths ----------------------------------------------------------------------------------

class TPathMaker {
public:
    explicit TPathMaker(const TComponentClasses& classes) : classes_(classes) {}
    void Add(TLocItem* item, std::string natural, std::string classKey) {
        std::string path = natural;
        // Names with dots could meet another item's path ("Font.Name" of a form and "Name" of its
        // component "Font"): the later item gets a number, so contexts stay unique.
        for (int n = 2; !used_.insert(path).second; ++n) path = natural + "#" + std::to_string(n);
        TPoItem p;
        p.Item = item;
        p.Context = std::move(path);
        if (!classKey.empty()) {
            auto it = classes_.find(classKey);
            if (it != classes_.end()) p.Class = it->second;
        }
        items_.push_back(std::move(p));
    }
    std::vector<TPoItem> Take() { return std::move(items_); }

private:
    const TComponentClasses& classes_;
    std::set<std::string> used_;
    std::vector<TPoItem> items_;
};

// ---- C format strings ------------------------------------------------------------------------

bool ParseDirective(const std::u16string& s, std::size_t& i, std::string& type) {
    // At s[i] == '%'. Flags, width, precision, length, conversion; no "*" and no "n$", which
    // the program's Format does not know.
    ++i;
    auto at = [&](std::size_t k) -> char16_t { return k < s.size() ? s[k] : u'\0'; };
    if (at(i) == u'%') {
        ++i;
        type.clear();
        return true;
    }
    while (at(i) == u'-' || at(i) == u'+' || at(i) == u' ' || at(i) == u'#' || at(i) == u'0') ++i;
    while (at(i) >= u'0' && at(i) <= u'9') ++i;
    if (at(i) == u'.') {
        ++i;
        while (at(i) >= u'0' && at(i) <= u'9') ++i;
    }
    std::string length;
    while (at(i) == u'h' || at(i) == u'l' || at(i) == u'L' || at(i) == u'j' || at(i) == u'z' || at(i) == u't') {
        length += static_cast<char>(at(i));
        ++i;
    }
    if (length.size() > 2) return false;
    char16_t conv = at(i);
    std::string base;
    switch (conv) {
        case u'd': case u'i': base = "i"; break;
        case u'u': case u'o': case u'x': case u'X': base = "u"; break;
        case u'e': case u'E': case u'f': case u'F': case u'g': case u'G': case u'a': case u'A': base = "f"; break;
        case u's': base = "s"; break;
        case u'c': base = "c"; break;
        case u'p': base = "p"; break;
        default: return false;
    }
    ++i;
    type = length + base;
    return true;
}

// ---- the data comment -------------------------------------------------------------------------

struct TValueData {
    bool HasRevision = false;
    std::int32_t Revision = 0;
    std::uint16_t Flags = 0;
    std::uint64_t Stamp = 0;
    bool HasText = false;
    WideString Text;  // an untranslated value's own text, when it is not the base text it follows
};

bool ParseNumber(std::string_view s, std::int64_t& out) {
    bool negative = !s.empty() && s[0] == '-';
    if (negative) s.remove_prefix(1);
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2), base = 16;
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || v > 0xFFFFFFFFull) return false;
    out = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    return true;
}

bool ParseDataComment(std::string_view text, TValueData& data) {
    text.remove_prefix(sizeof kDataComment - 1);
    // "text" comes last: its quoted string may hold commas.
    std::size_t at = text.find("text \"");
    if (at != std::string_view::npos && (at == 0 || text[at - 1] == ' ')) {
        std::string utf8;
        if (!PoUnquote(text.substr(at + 5), utf8)) return false;
        data.HasText = true;
        data.Text = rtl::Utf8ToUtf16(utf8);
        text = text.substr(0, at);
        while (!text.empty() && (text.back() == ' ' || text.back() == ',')) text.remove_suffix(1);
    }
    while (!text.empty()) {
        std::size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        while (!part.empty() && part.front() == ' ') part.remove_prefix(1);
        while (!part.empty() && part.back() == ' ') part.remove_suffix(1);
        std::size_t space = part.find(' ');
        if (space == std::string_view::npos) return false;
        std::string_view key = part.substr(0, space), value = part.substr(space + 1);
        std::int64_t n = 0;
        if (key == "revision") {
            if (!ParseNumber(value, n) || n < INT32_MIN || n > INT32_MAX) return false;
            data.HasRevision = true;
            data.Revision = static_cast<std::int32_t>(n);
        } else if (key == "flags") {
            if (!ParseNumber(value, n) || n < 0 || n > 0xFFFF) return false;
            data.Flags = static_cast<std::uint16_t>(n);
        } else if (key == "stamp") {
            if (value.size() != 16) return false;
            data.Stamp = 0;
            for (int i = 0; i < 8; ++i) {
                unsigned b = 0;
                auto [end, ec] = std::from_chars(value.data() + 2 * i, value.data() + 2 * i + 2, b, 16);
                if (ec != std::errc() || end != value.data() + 2 * i + 2) return false;
                data.Stamp |= std::uint64_t{b} << (8 * i);
            }
        } else {
            return false;
        }
    }
    return true;
}

// The revision an entry gets from its state alone; export records a value's revision only when
// it differs from this.
std::int32_t DefaultRevision(bool empty, bool fuzzy, std::int32_t baseRevision) {
    if (empty) return -1;
    if (fuzzy) return baseRevision > 0 ? baseRevision - 1 : -1;
    return baseRevision;
}

// The text an untranslated value gets when its language is added: the base text as the base
// language's 8-bit text, read back in the value's language.
WideString UntranslatedText(const TLocItem& item, std::uint16_t languageId) {
    const TLocValue* base = item.BaseValue();
    return AnsiToWideByLanguage(WideToAnsiByLanguage(base->Text(), base->LanguageId()), languageId);
}

// ---- header -------------------------------------------------------------------------------

std::string LanguageTag(std::uint16_t languageId) {
    const nls::TLocaleEntry* e = nls::FindLocale(languageId);
    if (!e) return {};
    std::string tag = e->Name;
    for (char& ch : tag)
        if (ch == '-') ch = '_';
    return tag;
}

std::uint16_t LanguageOfTag(std::string tag) {
    // "pt_BR", "pt-BR", "de_DE.UTF-8@euro": the locale, else its language alone.
    tag = tag.substr(0, tag.find_first_of(".@"));
    for (char& ch : tag) {
        if (ch == '_') ch = '-';
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    }
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& e : nls::LocaleEntries()) {
            std::string name = e.Name;
            for (char& ch : name)
                if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
            if (name == tag) return e.LangId;
        }
        tag = tag.substr(0, tag.find('-'));
    }
    return 0;
}

}  // namespace

// ---- items ----------------------------------------------------------------------------------

std::vector<TPoItem> PoItems(const TLocStorage& store, const TComponentClasses& classes) {
    TPathMaker paths(classes);
    for (int u = 0; u < store.Units().Count(); ++u) {
        const TLocUnit* unit = store.Units().ItemAt(u);
        for (int c = 0; c < unit->Constants().Count(); ++c) {
            TLocConstant* k = unit->Constants().ItemAt(c);
            paths.Add(k, NameUtf8(unit->Name()) + "." + NameUtf8(k->Name()), {});
        }
    }
    for (int f = 0; f < store.Forms().Count(); ++f) {
        const TLocForm* form = store.Forms().ItemAt(f);
        const std::string formName = NameUtf8(form->Name());
        for (int p = 0; p < form->Properties().Count(); ++p) {
            TLocProperty* prop = form->Properties().ItemAt(p);
            if (IsTextKind(prop->ValueKind())) paths.Add(prop, formName + "." + NameUtf8(prop->Name()), formName);
        }
        for (int c = 0; c < form->Components().Count(); ++c) {
            const TLocComponent* component = form->Components().ItemAt(c);
            const std::string owner = formName + "." + NameUtf8(component->Name());
            for (int p = 0; p < component->Properties().Count(); ++p) {
                TLocProperty* prop = component->Properties().ItemAt(p);
                if (IsTextKind(prop->ValueKind())) paths.Add(prop, owner + "." + NameUtf8(prop->Name()), owner);
            }
        }
    }
    for (int g = 0; g < store.ExternalGroups().Count(); ++g) {
        const TLocExtGroup* group = store.ExternalGroups().ItemAt(g);
        for (int e = 0; e < group->Entries().Count(); ++e) {
            TLocExtItem* entry = group->Entries().ItemAt(e);
            paths.Add(entry, NameUtf8(group->Name()) + "." + NameUtf8(entry->Name()), {});
        }
    }
    return paths.Take();
}

// ---- C format strings ------------------------------------------------------------------------

std::vector<std::string> CFormatConversions(const std::u16string& text, bool* valid) {
    std::vector<std::string> conversions;
    bool ok = true;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] != u'%') {
            ++i;
            continue;
        }
        std::string type;
        if (!ParseDirective(text, i, type)) {
            ok = false;
            break;
        }
        if (!type.empty()) conversions.push_back(type);
    }
    if (valid) *valid = ok;
    return conversions;
}

bool IsCFormat(const std::u16string& text) {
    bool valid = false;
    return !CFormatConversions(text, &valid).empty() && valid;
}

// ---- export ------------------------------------------------------------------------------------

namespace {

std::string HeaderText(const TLangFileHeader& base, const TLangFileHeader* translation) {
    const TLangFileHeader& h = translation ? *translation : base;
    std::string out;
    auto field = [&out](const std::string& name, const std::string& value) { out += name + ": " + value + "\n"; };
    field("Project-Id-Version", "Veilmark " + std::to_string(h.Version));
    field("PO-Revision-Date", "");
    field("Last-Translator", "");
    field("Language-Team", "");
    field("Language", translation ? LanguageTag(h.LanguageId) : std::string());
    field("MIME-Version", "1.0");
    field("Content-Type", "text/plain; charset=UTF-8");
    field("Content-Transfer-Encoding", "8bit");
    if (translation) {
        field("X-Veilmark-Language-Id", Hex(h.LanguageId, 4));
        field("X-Veilmark-Based-On", Hex(h.BasedOnLanguageId, 4));
        field("X-Veilmark-English-Name", NameUtf8(h.EnglishName));
        field("X-Veilmark-Native-Name", Utf8(h.NativeName));
        field("X-Veilmark-Native", h.IsNative ? "yes" : "no");
        field("X-Veilmark-Options", Hex(h.Options, 4));
        field("X-Veilmark-Build", std::to_string(h.Build));
    }
    field("X-Veilmark-Version", std::to_string(h.Version));
    field("X-Veilmark-Format", std::to_string(h.FormatVersion));
    field("X-Veilmark-Max-Constant-Id", std::to_string(h.MaxConstantId));
    field("X-Veilmark-Max-Property-Id", std::to_string(h.MaxPropertyId));
    field("X-Veilmark-Max-External-Id", std::to_string(h.MaxExternalId));
    return out;
}

std::string ItemComment(const TPoItem& p) {
    std::string out = "id " + std::to_string(static_cast<std::uint32_t>(p.Item->Id()));
    if (auto* k = dynamic_cast<const TLocConstant*>(p.Item)) out += ", resource " + std::to_string(k->ResourceId());
    if (!p.Class.empty()) out += ", class " + p.Class;
    if (p.Item->ValueKind() == lvkStrings) out += ", kind strings (one line per list item)";
    return out;
}

}  // namespace

TPoFile ExportPo(const TLocStorage& store, const TLangFileHeader& base, int slot, const TLangFileHeader* translation,
                 const TComponentClasses& classes) {
    TPoFile po;
    TPoEntry header;
    header.Str.push_back(HeaderText(base, slot > 0 ? translation : nullptr));
    po.Entries.push_back(std::move(header));

    for (const TPoItem& p : PoItems(store, classes)) {
        const TLocValue* baseValue = p.Item->BaseValue();
        TPoEntry e;
        e.ExtractedComments.push_back(ItemComment(p));
        e.HasContext = true;
        e.Context = p.Context;
        e.Id = Utf8(baseValue->Text());
        bool fuzzy = false;
        if (slot > 0) {
            const TLocValue* v = p.Item->Values().Value(slot);
            const bool translated = v->Revision() >= 0;
            std::string text = translated ? Utf8(v->Text()) : std::string();
            fuzzy = translated && v->Revision() < baseValue->Revision() && !text.empty();
            std::string data;
            if (v->Revision() != DefaultRevision(text.empty(), fuzzy, baseValue->Revision()))
                data += ", revision " + std::to_string(v->Revision());
            if (v->Flags() != 0) data += ", flags " + Hex(v->Flags(), 4);
            if (v->Stamp() != 0) data += ", stamp " + StampText(v->Stamp());
            if (!translated && v->Text() != UntranslatedText(*p.Item, v->LanguageId()))
                data += ", text " + PoQuoteLine(Utf8(v->Text()));
            if (!data.empty()) e.ExtractedComments.push_back(std::string(kDataComment) + data.substr(1));
            e.Str.push_back(std::move(text));
        } else {
            e.Str.emplace_back();
        }
        if (fuzzy) e.Flags.push_back("fuzzy");
        if (IsCFormat(baseValue->Text())) e.Flags.push_back("c-format");
        po.Entries.push_back(std::move(e));
    }
    return po;
}

// ---- import ------------------------------------------------------------------------------------

TLangFileHeader PoLanguageHeader(const TPoFile& po, const TLangFileHeader& base, const std::string& fileName) {
    const TPoEntry* entry = po.Header();
    const int line = entry ? entry->Line : 1;
    auto bad = [&](const char* name, const std::string& value) {
        throw ELangPoError(ELangPoError::CreateResFmt, SPoBadHeaderField, {fileName, line, name, value.substr(0, 80)})
            .WithCode("po.header.field");
    };
    auto number = [&](const char* name, std::int64_t low, std::int64_t high, std::int64_t fallback) {
        bool found = false;
        std::string value = po.HeaderField(name, &found);
        if (!found) return fallback;
        std::int64_t n = 0;
        if (!ParseNumber(value, n) || n < low || n > high) bad(name, value);
        return n;
    };

    TLangFileHeader h;
    h.LanguageId = static_cast<std::uint16_t>(number("X-Veilmark-Language-Id", 1, 0xFFFF, 0));
    if (h.LanguageId == 0) {
        std::string tag = po.HeaderField("Language");
        if (!tag.empty()) {
            h.LanguageId = LanguageOfTag(tag);
            if (h.LanguageId == 0) bad("Language", tag);
        }
    }
    if (h.LanguageId == 0)
        throw ELangPoError(ELangPoError::CreateResFmt, SPoNoLanguage, {fileName, line}).WithCode("po.header.language");

    bool found = false;
    std::string english = po.HeaderField("X-Veilmark-English-Name", &found);
    if (found) {
        WideString wide = rtl::Utf8ToUtf16(english);
        h.EnglishName = WideToAnsi(wide, nls::GetACP());
        if (AnsiToWide(h.EnglishName, nls::GetACP()) != wide) bad("X-Veilmark-English-Name", english);
    } else {
        h.EnglishName = EnglishLanguageName(h.LanguageId);
    }
    std::string native = po.HeaderField("X-Veilmark-Native-Name", &found);
    if (found) {
        h.NativeName = rtl::Utf8ToUtf16(native);
    } else if (const nls::TLocaleEntry* e = nls::FindLocale(h.LanguageId)) {
        h.NativeName = rtl::Utf8ToUtf16(e->NativeName);
    }
    std::string isNative = po.HeaderField("X-Veilmark-Native", &found);
    if (found && isNative != "yes" && isNative != "no") bad("X-Veilmark-Native", isNative);
    h.IsNative = isNative == "yes";

    h.FormatVersion = static_cast<std::uint16_t>(number("X-Veilmark-Format", 1, LangFileMaxFormat, LangFileMaxFormat));
    h.Version = static_cast<std::uint32_t>(number("X-Veilmark-Version", 0, 0xFFFFFFFF, base.Version));
    h.Build = static_cast<std::uint32_t>(number("X-Veilmark-Build", 0, 0xFFFFFFFF, 0));
    h.BasedOnLanguageId = static_cast<std::uint16_t>(number("X-Veilmark-Based-On", 0, 0xFFFF, base.LanguageId));
    h.Options = static_cast<std::uint16_t>(number("X-Veilmark-Options", 0, 0xFFFF, 0));
    h.MaxConstantId = static_cast<std::uint32_t>(number("X-Veilmark-Max-Constant-Id", 0, 0xFFFFFFFF, base.MaxConstantId));
    h.MaxPropertyId = static_cast<std::uint32_t>(number("X-Veilmark-Max-Property-Id", 0, 0xFFFFFFFF, base.MaxPropertyId));
    h.MaxExternalId = static_cast<std::uint32_t>(number("X-Veilmark-Max-External-Id", 0, 0xFFFFFFFF, base.MaxExternalId));
    return h;
}

namespace {

void CheckTranslation(const TPoEntry& e, const TLocItem& item, const WideString& text, std::uint16_t languageId,
                      bool fuzzy, const std::string& fileName) {
    // Every text kind reaches the screen as 8-bit text in the language's code page: what that
    // code page cannot hold would show as question marks.
    const int codePage = CodePageOfLanguage(languageId);
    if (AnsiToWide(WideToAnsi(text, codePage), codePage) != text)
        throw ELangPoError(ELangPoError::CreateResFmt, SPoNotInCodePage, {fileName, e.Line, e.Context, codePage})
            .WithCode("po.text.codepage");
    // As msgfmt --check-format does, outdated translations are not held to the placeholders.
    const WideString& baseText = item.BaseValue()->Text();
    if (fuzzy || !IsCFormat(baseText)) return;
    bool valid = false;
    std::vector<std::string> want = CFormatConversions(baseText);
    std::vector<std::string> got = CFormatConversions(text, &valid);
    if (valid && got == want) return;
    std::string expected;
    for (const auto& t : want) expected += (expected.empty() ? "%" : " %") + t;
    throw ELangPoError(ELangPoError::CreateResFmt, SPoPlaceholders, {fileName, e.Line, e.Context, expected})
        .WithCode("po.text.placeholders");
}

}  // namespace

TPoImportResult ImportPo(const TPoFile& po, TLocStorage& store, int slot, const std::string& fileName) {
    TPoImportResult result;
    std::unordered_map<std::string, TLocItem*> byContext;
    for (const TPoItem& p : PoItems(store)) byContext.emplace(p.Context, p.Item);
    std::unordered_map<const TLocItem*, int> seen;
    const std::uint16_t languageId = store.LanguageAt(slot);

    for (const TPoEntry& e : po.Entries) {
        if (e.IsHeader()) continue;
        auto it = e.HasContext && !e.HasPlural ? byContext.find(e.Context) : byContext.end();
        if (it == byContext.end()) {
            result.Warnings.push_back(
                rtl::Format(rtl::LoadResString(SPoUnknownEntry), {fileName, e.Line, e.HasContext ? e.Context : e.Id}));
            ++result.Skipped;
            continue;
        }
        TLocItem* item = it->second;
        auto [first, added] = seen.emplace(item, e.Line);
        if (!added)
            throw ELangPoError(ELangPoError::CreateResFmt, SPoDuplicateEntry, {fileName, e.Line, e.Context, first->second})
                .WithCode("po.item.twice");

        TValueData data;
        for (const auto& comment : e.ExtractedComments) {
            if (comment.rfind(kDataComment, 0) != 0) continue;
            if (!ParseDataComment(comment, data))
                throw ELangPoError(ELangPoError::CreateResFmt, SPoBadComment, {fileName, e.Line, comment.substr(0, 80)})
                    .WithCode("po.comment.invalid");
        }

        const std::int32_t baseRevision = item->BaseValue()->Revision();
        const WideString text = rtl::Utf8ToUtf16(e.Translation());
        bool fuzzy = e.Fuzzy() && !text.empty();
        if (!text.empty() && !fuzzy && rtl::Utf8ToUtf16(e.Id) != item->BaseValue()->Text()) {
            // Made for another base text (an older catalogue): outdated, as msgmerge would mark it.
            result.Warnings.push_back(rtl::Format(rtl::LoadResString(SPoOtherBaseText), {fileName, e.Line, e.Context}));
            fuzzy = true;
        }
        std::int32_t revision = DefaultRevision(text.empty(), fuzzy, baseRevision);
        if (data.HasRevision) {
            // The recorded revision stands where it agrees with the entry's state; a translator
            // who cleared "fuzzy" made the translation current.
            if (text.empty()) revision = data.Revision;
            else if (fuzzy && data.Revision >= 0 && data.Revision < baseRevision) revision = data.Revision;
            else if (!fuzzy && data.Revision >= baseRevision) revision = data.Revision;
        }
        if (!text.empty()) CheckTranslation(e, *item, text, languageId, fuzzy, fileName);

        TLocValue* value = item->Values().Value(slot);
        // An untranslated value keeps the base text it follows, unless the file said otherwise; a
        // translation stays even where no revision below the base's is left (base revision 0).
        if (revision >= 0 || !text.empty()) value->SetText(text);
        else if (data.HasText) value->SetText(data.Text);
        value->SetRevision(revision);
        value->SetFlagWord(data.Flags);
        value->SetStamp(data.Stamp);
        ++result.Matched;
    }
    return result;
}

TPoStatistics CountPo(const TPoFile& po) {
    TPoStatistics s;
    for (const TPoEntry& e : po.Entries) {
        if (e.IsHeader()) continue;
        if (e.Translation().empty()) ++s.Untranslated;
        else if (e.Fuzzy()) ++s.Fuzzy;
        else ++s.Translated;
    }
    return s;
}

}  // namespace langdata
