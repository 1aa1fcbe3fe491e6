#include "langdata/LangSource.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <vector>

#include "locstore/KLocales.h"
#include "locstore/LocStorage.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Utf8.h"

namespace langdata {

using namespace locstore;

namespace {

constexpr const char* kKindNames[] = {"float", "integer", "string", "list", "strings",
                                      "binary", "identifier", "set", "int64"};

// ---- text helpers -----------------------------------------------------------------------------

using rtl::AppendUtf8;

// A quoted string with the escapes the parser reads; characters that need no escape as UTF-8.
std::string Quote(const WideString& text) {
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t ch = text[i];
        switch (ch) {
            case u'"': out += "\\\""; continue;
            case u'\\': out += "\\\\"; continue;
            case u'\n': out += "\\n"; continue;
            case u'\r': out += "\\r"; continue;
            case u'\t': out += "\\t"; continue;
            default: break;
        }
        if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((char32_t{ch} - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (ch < 0x20 || ch == 0x7F || (ch >= 0xD800 && ch <= 0xDFFF)) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(ch));
            out += buf;
        } else {
            AppendUtf8(out, ch);
        }
    }
    return out + "\"";
}

bool IsBareName(const AnsiString& name) {
    if (name.empty()) return false;
    for (unsigned char ch : name)
        if (!((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '_' || ch == '.'))
            return false;
    return true;
}

std::string NameText(const AnsiString& name) {
    return IsBareName(name) ? name : Quote(AnsiToWide(name, nls::GetACP()));
}

// ---- tokens ---------------------------------------------------------------------------------

bool IsBlankOrComment(std::string_view line) {
    std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

struct TToken {
    bool Quoted = false;
    std::string Word;  // unquoted text
    WideString Text;   // quoted text, unescaped
};

class TParser {
public:
    TParser(std::string_view source, const AnsiString& fileName, TLocStorage& store)
        : source_(source), fileName_(fileName), store_(store) {}

    TLangFileHeader Run();

private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw ELangSourceError(ELangSourceError::CreateResFmt, SLSSyntaxError, {fileName_, line_, what});
    }
    void Tokenize(std::string_view line);
    void ReadQuoted(std::string_view line, std::size_t& pos, WideString& out);
    char32_t DecodeUtf8(std::string_view line, std::size_t& pos);

    // Token access for the statement at hand.
    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const TToken& Next(const char* what) {
        if (AtEnd()) Fail(std::string("missing ") + what);
        return tokens_[pos_++];
    }
    std::string Word(const char* what) {
        const TToken& t = Next(what);
        if (t.Quoted) Fail(std::string("expected ") + what + ", found a quoted string");
        return t.Word;
    }
    AnsiString Name();
    AnsiString Ansi(const WideString& text);
    WideString Text();
    std::int64_t Number(const char* what, std::int64_t low, std::int64_t high);
    std::uint64_t Stamp();
    std::uint8_t Kind();
    void ExpectEnd() {
        if (!AtEnd()) Fail("unexpected \"" + (tokens_[pos_].Quoted ? std::string("string") : tokens_[pos_].Word) + "\"");
    }

    void Header();
    std::uint16_t ContainerFlags();
    struct TItemAttrs {
        std::int64_t Id = 0, ResourceId = 0, Revision = 0, Flags = 0;
        std::uint64_t Stamp = 0;
        std::uint8_t Kind = lvkString;
        WideString Text;
    };
    TItemAttrs ItemAttrs(bool resource, bool kind);
    void SetValue(TLocItem* item, const TItemAttrs& a);
    void CheckNumberText(const TItemAttrs& a);

    std::string_view source_;
    AnsiString fileName_;
    TLocStorage& store_;
    TLangFileHeader header_;
    int line_ = 0;
    std::vector<TToken> tokens_;
    std::size_t pos_ = 0;
    // Where a "+" continuation line adds its text: the value of the last item line.
    TLocValue* continued_ = nullptr;
};

char32_t TParser::DecodeUtf8(std::string_view s, std::size_t& pos) {
    unsigned char b0 = static_cast<unsigned char>(s[pos]);
    int extra = b0 < 0x80 ? 0 : (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || pos + extra >= s.size() + (extra == 0 ? 1 : 0)) Fail("invalid UTF-8");
    char32_t cp = extra == 0 ? b0 : extra == 1 ? (b0 & 0x1F) : extra == 2 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int i = 1; i <= extra; ++i) {
        unsigned char b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) Fail("invalid UTF-8");
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) Fail("invalid UTF-8");
    pos += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void TParser::ReadQuoted(std::string_view s, std::size_t& pos, WideString& out) {
    ++pos;  // opening quote
    for (;;) {
        if (pos >= s.size()) Fail("string not closed on its line");
        char ch = s[pos];
        if (ch == '"') {
            ++pos;
            return;
        }
        if (ch == '\\') {
            if (++pos >= s.size()) Fail("string not closed on its line");
            char e = s[pos++];
            switch (e) {
                case '"': out += u'"'; break;
                case '\\': out += u'\\'; break;
                case 'n': out += u'\n'; break;
                case 'r': out += u'\r'; break;
                case 't': out += u'\t'; break;
                case 'u': {
                    unsigned v = 0;
                    if (pos + 4 > s.size()) Fail("\\u needs four hexadecimal digits");
                    auto [end, ec] = std::from_chars(s.data() + pos, s.data() + pos + 4, v, 16);
                    if (ec != std::errc() || end != s.data() + pos + 4) Fail("\\u needs four hexadecimal digits");
                    out += static_cast<char16_t>(v);
                    pos += 4;
                    break;
                }
                default: Fail(std::string("unknown escape \\") + e);
            }
            continue;
        }
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) Fail("control character in a string (use an escape)");
        char32_t cp = DecodeUtf8(s, pos);
        if (cp >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
}

void TParser::Tokenize(std::string_view s) {
    tokens_.clear();
    pos_ = 0;
    std::size_t pos = 0;
    while (pos < s.size()) {
        char ch = s[pos];
        if (ch == ' ' || ch == '\t' || ch == '\r') {
            ++pos;
        } else if (ch == '"') {
            TToken t;
            t.Quoted = true;
            ReadQuoted(s, pos, t.Text);
            tokens_.push_back(std::move(t));
        } else {
            std::size_t start = pos;
            while (pos < s.size() && s[pos] != ' ' && s[pos] != '\t' && s[pos] != '\r' && s[pos] != '"') ++pos;
            TToken t;
            t.Word = std::string(s.substr(start, pos - start));
            // Words are names and keywords: valid UTF-8 within the basic plane.
            for (std::size_t i = 0; i < t.Word.size();)
                if (DecodeUtf8(t.Word, i) >= 0x10000) Fail("characters beyond U+FFFF need a quoted name");
            tokens_.push_back(std::move(t));
        }
    }
}

AnsiString TParser::Name() {
    const TToken& t = Next("name");
    WideString wide = t.Text;
    if (!t.Quoted) {
        if (t.Word == "=") Fail("missing name");
        for (std::size_t i = 0; i < t.Word.size();) wide += static_cast<char16_t>(DecodeUtf8(t.Word, i));
    }
    return Ansi(wide);
}

AnsiString TParser::Ansi(const WideString& text) {
    // Names are 8-bit text in the program: refuse what the system code page cannot hold rather
    // than let it turn into question marks.
    const int acp = nls::GetACP();
    AnsiString ansi = WideToAnsi(text, acp);
    if (AnsiToWide(ansi, acp) != text) Fail("the name cannot be written in the system code page " + std::to_string(acp));
    return ansi;
}

WideString TParser::Text() {
    const TToken& t = Next("string");
    if (!t.Quoted) Fail("expected a quoted string, found \"" + t.Word + "\"");
    return t.Text;
}

std::int64_t TParser::Number(const char* what, std::int64_t low, std::int64_t high) {
    std::string w = Word(what);
    bool negative = !w.empty() && w[0] == '-';
    std::string_view digits(w);
    if (negative) digits.remove_prefix(1);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t v = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v, base);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size() || v > (1ULL << 40))
        Fail(std::string("\"") + w + "\" is not a number (" + what + ")");
    std::int64_t n = negative ? -static_cast<std::int64_t>(v) : static_cast<std::int64_t>(v);
    if (n < low || n > high)
        Fail(std::string(what) + " " + w + " is out of range " + std::to_string(low) + " to " + std::to_string(high));
    return n;
}

std::uint64_t TParser::Stamp() {
    std::string w = Word("stamp");
    if (w.size() != 16) Fail("a stamp is 16 hexadecimal digits (the 8 bytes in file order)");
    std::uint64_t stamp = 0;
    for (int i = 0; i < 8; ++i) {
        unsigned b = 0;
        auto [end, ec] = std::from_chars(w.data() + 2 * i, w.data() + 2 * i + 2, b, 16);
        if (ec != std::errc() || end != w.data() + 2 * i + 2) Fail("a stamp is 16 hexadecimal digits");
        stamp |= std::uint64_t{b} << (8 * i);
    }
    return stamp;
}

std::uint8_t TParser::Kind() {
    if (!AtEnd() && !tokens_[pos_].Quoted)
        for (int k = 0; k < 9; ++k)
            if (tokens_[pos_].Word == kKindNames[k]) {
                ++pos_;
                return static_cast<std::uint8_t>(k);
            }
    return static_cast<std::uint8_t>(Number("kind", 0, 255));
}

std::uint16_t TParser::ContainerFlags() {
    std::uint16_t flags = 0;
    while (!AtEnd()) {
        std::string key = Word("attribute");
        if (key != "flags") Fail("unknown attribute \"" + key + "\"");
        flags = static_cast<std::uint16_t>(Number("flags", 0, 0xFFFF));
    }
    return flags;
}

TParser::TItemAttrs TParser::ItemAttrs(bool resource, bool kind) {
    TItemAttrs a;
    bool haveKind = false;
    while (!AtEnd()) {
        if (!tokens_[pos_].Quoted && tokens_[pos_].Word == "=") {
            ++pos_;
            a.Text = Text();
            ExpectEnd();
            break;
        }
        std::string key = Word("attribute");
        if (key == "id") a.Id = Number("id", 0, 0xFFFFFFFF);
        else if (key == "revision") a.Revision = Number("revision", INT32_MIN, INT32_MAX);
        else if (key == "flags") a.Flags = Number("flags", 0, 0xFFFF);
        else if (key == "stamp") a.Stamp = Stamp();
        else if (resource && key == "resource") a.ResourceId = Number("resource", 0, 0xFFFF);
        else if (kind && key == "kind") { a.Kind = Kind(); haveKind = true; }
        else Fail("unknown attribute \"" + key + "\"");
    }
    if (kind && !haveKind) Fail("a property needs its kind");
    return a;
}

void TParser::SetValue(TLocItem* item, const TItemAttrs& a) {
    TLocValue* v = item->BaseValue();
    v->SetText(a.Text);
    v->SetRevision(static_cast<std::int32_t>(a.Revision));
    v->SetFlagWord(static_cast<std::uint16_t>(a.Flags));
    v->SetStamp(a.Stamp);
    v->SetLanguageId(header_.LanguageId);
    continued_ = v;
}

void TParser::CheckNumberText(const TItemAttrs& a) {
    if (a.Kind != lvkFloat && a.Kind != lvkInteger) {
        // A language file has no bytes for these kinds: a text would be lost without a word.
        if (a.Kind != lvkString && a.Kind != lvkStrings && !a.Text.empty())
            Fail(std::string("a property of kind ") + (a.Kind < 9 ? kKindNames[a.Kind] : "other") +
                 " carries no text in a language file");
        return;
    }
    std::string s;
    for (char16_t ch : a.Text) s += ch < 0x80 ? static_cast<char>(ch) : '?';
    const char* b = s.data();
    const char* e = s.data() + s.size();
    if (b != e && *b == '+') ++b;
    bool ok;
    if (a.Kind == lvkFloat) {
        double d;
        auto [end, ec] = std::from_chars(b, e, d);
        ok = b != e && ec == std::errc() && end == e;
    } else {
        std::int32_t i;
        auto [end, ec] = std::from_chars(b, e, i);
        ok = b != e && ec == std::errc() && end == e;
    }
    if (!ok) Fail("\"" + s + "\" is not a value of kind " + kKindNames[a.Kind]);
}

void TParser::Header() {
    for (;;) {
        if (++line_, source_.empty()) Fail("header not closed with \"end\"");
        std::size_t nl = source_.find('\n');
        std::string_view text = source_.substr(0, nl);
        source_ = nl == std::string_view::npos ? std::string_view() : source_.substr(nl + 1);
        if (IsBlankOrComment(text)) continue;
        Tokenize(text);
        std::string key = Word("header field");
        auto& h = header_;
        if (key == "end") { ExpectEnd(); return; }
        if (key == "version") h.Version = static_cast<std::uint32_t>(Number("version", 0, 0xFFFFFFFF));
        else if (key == "build") h.Build = static_cast<std::uint32_t>(Number("build", 0, 0xFFFFFFFF));
        else if (key == "language") h.LanguageId = static_cast<std::uint16_t>(Number("language", 0, 0xFFFF));
        else if (key == "based-on") h.BasedOnLanguageId = static_cast<std::uint16_t>(Number("based-on", 0, 0xFFFF));
        else if (key == "english-name") h.EnglishName = Ansi(Text());
        else if (key == "native-name") h.NativeName = Text();
        else if (key == "native") {
            std::string w = Word("yes or no");
            if (w != "yes" && w != "no") Fail("native is yes or no");
            h.IsNative = w == "yes";
        }
        else if (key == "options") h.Options = static_cast<std::uint16_t>(Number("options", 0, 0xFFFF));
        else if (key == "max-constant-id") h.MaxConstantId = static_cast<std::uint32_t>(Number(key.c_str(), 0, 0xFFFFFFFF));
        else if (key == "max-property-id") h.MaxPropertyId = static_cast<std::uint32_t>(Number(key.c_str(), 0, 0xFFFFFFFF));
        else if (key == "max-external-id") h.MaxExternalId = static_cast<std::uint32_t>(Number(key.c_str(), 0, 0xFFFFFFFF));
        else Fail("unknown header field \"" + key + "\"");
        ExpectEnd();
    }
}

TLangFileHeader TParser::Run() {
    store_.ClearItems();
    bool haveHeader = false;
    // The open blocks: at most unit/form/group and, inside a form, one component.
    TLocUnit* unit = nullptr;
    TLocForm* form = nullptr;
    TLocComponent* component = nullptr;
    TLocExtGroup* group = nullptr;

    while (!source_.empty()) {
        ++line_;
        std::size_t nl = source_.find('\n');
        std::string_view text = source_.substr(0, nl);
        source_ = nl == std::string_view::npos ? std::string_view() : source_.substr(nl + 1);
        if (IsBlankOrComment(text)) continue;
        Tokenize(text);
        std::string key = Word("keyword");

        if (key == "+") {
            if (!continued_) Fail("\"+\" continues the text of the item line above");
            WideString more = Text();
            ExpectEnd();
            continued_->SetText(continued_->Text() + more);
            continue;
        }
        continued_ = nullptr;
        const bool topLevel = !unit && !form && !group;
        if (key == "header") {
            if (!topLevel || haveHeader) Fail("the header comes once, before everything else");
            ExpectEnd();
            Header();
            haveHeader = true;
            store_.SetBaseLanguage(header_.LanguageId);
            continue;
        }
        if (!haveHeader) Fail("the source starts with its header");
        if (key == "end") {
            ExpectEnd();
            if (component) component = nullptr;
            else if (unit || form || group) unit = nullptr, form = nullptr, group = nullptr;
            else Fail("\"end\" without a block");
        } else if (key == "unit" || key == "form" || key == "group") {
            if (!topLevel) Fail("\"" + key + "\" inside another block (missing \"end\"?)");
            AnsiString name = Name();
            std::uint16_t flags = ContainerFlags();
            if (key == "unit") {
                if (store_.Units().IndexOf(name) >= 0) Fail("unit \"" + name + "\" appears twice");
                unit = store_.Units().FindOrAdd(name);
                unit->SetFlags(flags);
            } else if (key == "form") {
                if (store_.Forms().IndexOf(name) >= 0) Fail("form \"" + name + "\" appears twice");
                form = store_.Forms().FindOrAdd(name);
                form->SetFlags(flags);
            } else {
                if (store_.ExternalGroups().IndexOf(name) >= 0) Fail("group \"" + name + "\" appears twice");
                group = store_.ExternalGroups().FindOrAdd(name);
                group->SetFlags(flags);
            }
        } else if (key == "component") {
            if (!form || component) Fail("a component belongs directly inside a form");
            AnsiString name = Name();
            std::uint16_t flags = ContainerFlags();
            if (form->Components().IndexOf(name) >= 0) Fail("component \"" + name + "\" appears twice");
            component = form->Components().FindOrAdd(name);
            component->SetFlags(flags);
        } else if (key == "constant") {
            if (!unit) Fail("a constant belongs inside a unit");
            AnsiString name = Name();
            TItemAttrs a = ItemAttrs(true, false);
            if (unit->Constants().IndexOf(name) >= 0) Fail("constant \"" + name + "\" appears twice");
            SetValue(unit->Constants().FindOrAdd(static_cast<std::int32_t>(a.Id), name,
                                                 static_cast<std::uint32_t>(a.ResourceId)), a);
        } else if (key == "property") {
            if (!form) Fail("a property belongs inside a form or a component");
            TLocComponent* owner = component ? component : form;
            AnsiString name = Name();
            TItemAttrs a = ItemAttrs(false, true);
            CheckNumberText(a);
            if (owner->Properties().IndexOf(name) >= 0) Fail("property \"" + name + "\" appears twice");
            SetValue(owner->Properties().FindOrAdd(static_cast<std::int32_t>(a.Id), name, a.Kind), a);
        } else if (key == "entry") {
            if (!group) Fail("an entry belongs inside a group");
            AnsiString name = Name();
            TItemAttrs a = ItemAttrs(false, false);
            if (group->Entries().IndexOf(name) >= 0) Fail("entry \"" + name + "\" appears twice");
            SetValue(group->Entries().FindOrAdd(static_cast<std::int32_t>(a.Id), name), a);
        } else {
            Fail("unknown keyword \"" + key + "\"");
        }
    }
    ++line_;
    if (!haveHeader) Fail("the source has no header");
    if (unit || form || group) Fail("a block is not closed with \"end\"");
    return header_;
}

// ---- writing ----------------------------------------------------------------------------------

void WriteItemText(std::string& out, const WideString& text) {
    // Multi-line texts continue on "+" lines, one line of text each, so a changed line shows
    // as one changed line in a diff.
    std::size_t start = 0;
    bool first = true;
    do {
        std::size_t nl = text.find(u'\n', start);
        std::size_t end = nl == WideString::npos || nl + 1 == text.size() ? text.size() : nl + 1;
        out += first ? " = " : "\n    + ";
        out += Quote(text.substr(start, end - start));
        first = false;
        start = end;
    } while (start < text.size());
    out += '\n';
}

void WriteAttrs(std::string& out, const TLocItem* item, const TLocValue* v) {
    out += " revision " + std::to_string(v->Revision());
    if (v->Flags() != 0) out += " flags " + Hex(v->Flags(), 4);
    if (v->Stamp() != 0) out += " stamp " + StampText(v->Stamp());
    WriteItemText(out, v->Text());
    (void)item;
}

void WriteProperties(std::string& out, const TLocPropertyList& list, int slot, const char* indent) {
    for (int i = 0; i < list.Count(); ++i) {
        const TLocProperty* p = list.ItemAt(i);
        out += indent;
        out += "property " + NameText(p->Name()) + " id " + std::to_string(static_cast<std::uint32_t>(p->Id())) +
               " kind " + (p->ValueKind() < 9 ? std::string(kKindNames[p->ValueKind()]) : std::to_string(p->ValueKind()));
        WriteAttrs(out, p, p->Values().Value(slot));
    }
}

std::string ContainerHead(const char* keyword, const AnsiString& name, std::uint16_t flags) {
    std::string out = std::string(keyword) + " " + NameText(name);
    if (flags != 0) out += " flags " + Hex(flags, 4);
    return out + "\n";
}

}  // namespace

std::string Hex(std::uint32_t v, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%0*X", digits, v);
    return buf;
}

std::string StampText(std::uint64_t stamp) {
    std::string out;
    char buf[4];
    for (int i = 0; i < 8; ++i) {
        std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>((stamp >> (8 * i)) & 0xFF));
        out += buf;
    }
    return out;
}


TLangFileHeader ParseLangSource(std::string_view source, const AnsiString& fileName, TLocStorage& store) {
    if (source.size() >= 3 && source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);  // a BOM is harmless
    return TParser(source, fileName, store).Run();
}

TLangFileHeader LoadLangSource(const AnsiString& fileName, TLocStorage& store) {
    rtl::TMemoryStream bytes;
    bytes.LoadFromFile(fileName);
    std::string text(bytes.Bytes().begin(), bytes.Bytes().end());
    return ParseLangSource(text, fileName, store);
}

std::string WriteLangSource(const TLangFileHeader& h, const TLocStorage& store, int slot) {
    const int acp = nls::GetACP();
    std::string out = "# Veilmark translation source\nheader\n";
    out += "  version " + std::to_string(h.Version) + "\n";
    out += "  build " + std::to_string(h.Build) + "\n";
    out += "  language " + std::to_string(h.LanguageId) + "\n";
    out += "  based-on " + std::to_string(h.BasedOnLanguageId) + "\n";
    out += "  english-name " + Quote(AnsiToWide(h.EnglishName, acp)) + "\n";
    out += "  native-name " + Quote(h.NativeName) + "\n";
    out += std::string("  native ") + (h.IsNative ? "yes" : "no") + "\n";
    out += "  options " + Hex(h.Options, 4) + "\n";
    out += "  max-constant-id " + std::to_string(h.MaxConstantId) + "\n";
    out += "  max-property-id " + std::to_string(h.MaxPropertyId) + "\n";
    out += "  max-external-id " + std::to_string(h.MaxExternalId) + "\nend\n";

    for (int u = 0; u < store.Units().Count(); ++u) {
        const TLocUnit* unit = store.Units().ItemAt(u);
        out += "\n" + ContainerHead("unit", unit->Name(), unit->Flags());
        for (int c = 0; c < unit->Constants().Count(); ++c) {
            const TLocConstant* k = unit->Constants().ItemAt(c);
            out += "  constant " + NameText(k->Name()) + " id " + std::to_string(static_cast<std::uint32_t>(k->Id())) +
                   " resource " + std::to_string(k->ResourceId());
            WriteAttrs(out, k, k->Values().Value(slot));
        }
        out += "end\n";
    }
    for (int f = 0; f < store.Forms().Count(); ++f) {
        const TLocForm* form = store.Forms().ItemAt(f);
        out += "\n" + ContainerHead("form", form->Name(), form->Flags());
        WriteProperties(out, form->Properties(), slot, "  ");
        for (int c = 0; c < form->Components().Count(); ++c) {
            const TLocComponent* component = form->Components().ItemAt(c);
            out += "  " + ContainerHead("component", component->Name(), component->Flags());
            WriteProperties(out, component->Properties(), slot, "    ");
            out += "  end\n";
        }
        out += "end\n";
    }
    for (int g = 0; g < store.ExternalGroups().Count(); ++g) {
        const TLocExtGroup* group = store.ExternalGroups().ItemAt(g);
        out += "\n" + ContainerHead("group", group->Name(), group->Flags());
        for (int e = 0; e < group->Entries().Count(); ++e) {
            const TLocExtItem* entry = group->Entries().ItemAt(e);
            out += "  entry " + NameText(entry->Name()) + " id " + std::to_string(static_cast<std::uint32_t>(entry->Id()));
            WriteAttrs(out, entry, entry->Values().Value(slot));
        }
        out += "end\n";
    }
    return out;
}

}  // namespace langdata
