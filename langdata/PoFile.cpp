#include "langdata/PoFile.h"

#include <cstdio>
#include <map>
#include <utility>

namespace langdata {

namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& ch : out)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return out;
}

std::string_view Trim(std::string_view s) {
    std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    std::size_t last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

bool ValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        unsigned char b0 = static_cast<unsigned char>(s[i]);
        int extra = b0 < 0x80 ? 0 : (b0 & 0xE0) == 0xC0 ? 1 : (b0 & 0xF0) == 0xE0 ? 2 : (b0 & 0xF8) == 0xF0 ? 3 : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size() + (extra == 0 ? 1 : 0)) return false;
        char32_t cp = extra == 0 ? b0 : extra == 1 ? (b0 & 0x1F) : extra == 2 ? (b0 & 0x0F) : (b0 & 0x07);
        for (int k = 1; k <= extra; ++k) {
            unsigned char b = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((b & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (b & 0x3F);
        }
        static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

int HexDigit(char ch) {
    if (ch >= '0' && ch <= '9') return ch - '0';
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    return -1;
}

// Which part of an entry a string line continues.
enum class TPart { None, Context, Id, IdPlural, Str };

class TPoReader {
public:
    TPoReader(std::string_view text, const std::string& fileName) : text_(text), fileName_(fileName) {}
    TPoFile Run();

private:
    [[noreturn]] void Fail(std::string_view code, const rtl::TResStringRec& rec) const {
        throw EPoFileError(EPoFileError::CreateResFmt, rec, {fileName_, line_}).WithCode(code);
    }
    [[noreturn]] void Fail(std::string_view code, const rtl::TResStringRec& rec, const std::string& what) const {
        throw EPoFileError(EPoFileError::CreateResFmt, rec, {fileName_, line_, what}).WithCode(code);
    }
    [[noreturn]] void Unexpected(std::string_view line) const {
        std::string shown(line.substr(0, 40));
        if (!ValidUtf8(shown)) shown = "?";
        Fail("po.line.unexpected", SPoUnexpectedLine, shown);
    }
    bool NextLine(std::string_view& line);
    std::string ReadString(std::string_view s);
    void ReadQuoted(std::string_view s, std::size_t& i, std::string& out);
    void Comment(std::string_view line);
    void Keyword(std::string_view line);
    void Continue(std::string_view line);
    void FinishEntry();
    void CheckHeader(const TPoFile& file);

    std::string_view text_;
    std::string fileName_;
    int line_ = 0;
    TPoFile file_;
    TPoEntry entry_;
    bool inEntry_ = false;  // something of the entry at hand has been read
    bool obsolete_ = false; // the entry at hand is a "#~" one
    TPart part_ = TPart::None;
    std::map<std::pair<std::string, std::string>, int> seen_;  // "\4"-joined context and id -> line
};

bool TPoReader::NextLine(std::string_view& line) {
    if (text_.empty()) return false;
    ++line_;
    std::size_t nl = text_.find('\n');
    line = text_.substr(0, nl);
    text_ = nl == std::string_view::npos ? std::string_view() : text_.substr(nl + 1);
    if (line.size() > PoMaxLineBytes) {
        throw EPoFileError(EPoFileError::CreateResFmt, SPoLineTooLong,
                           {fileName_, line_, static_cast<int>(PoMaxLineBytes)})
            .WithCode("po.line.long");
    }
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
}

// The quoted strings that make up the whole rest of s, joined (gettext allows several on a line).
std::string TPoReader::ReadString(std::string_view s) {
    s = Trim(s);
    if (s.empty() || s[0] != '"') Unexpected(s);
    std::string out;
    std::size_t i = 0;
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
            continue;
        }
        if (s[i] != '"') Unexpected(Trim(s.substr(i)));
        ReadQuoted(s, ++i, out);
    }
    if (!ValidUtf8(out)) Fail("po.text.utf8", SPoInvalidUtf8);
    // A zero character would cut the text short in every gettext tool.
    if (out.find('\0') != std::string::npos) Fail("po.string.zero", SPoUnknownEscape, "0");
    return out;
}

// One quoted string from just after its opening quote; i ends after the closing quote.
void TPoReader::ReadQuoted(std::string_view s, std::size_t& i, std::string& out) {
    for (;;) {
        if (i >= s.size()) Fail("po.string.open", SPoUnterminatedString);
        char ch = s[i++];
        if (ch == '"') return;
        if (ch != '\\') {
            out += ch;
            continue;
        }
        if (i >= s.size()) Fail("po.string.open", SPoUnterminatedString);
        char e = s[i++];
        switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'a': out += '\a'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'v': out += '\v'; break;
            case '\\': out += '\\'; break;
            case '"': out += '"'; break;
            case '\'': out += '\''; break;
            case '?': out += '?'; break;
            case 'x': {
                int value = 0, digits = 0;
                while (i < s.size() && digits < 2 && HexDigit(s[i]) >= 0) value = value * 16 + HexDigit(s[i++]), ++digits;
                if (digits == 0) Fail("po.string.escape", SPoUnknownEscape, "x");
                out += static_cast<char>(value);
                break;
            }
            default:
                if (e >= '0' && e <= '7') {
                    int value = e - '0', digits = 1;
                    while (i < s.size() && digits < 3 && s[i] >= '0' && s[i] <= '7') value = value * 8 + (s[i++] - '0'), ++digits;
                    if (value > 0xFF) Fail("po.string.escape", SPoUnknownEscape, std::string(1, e));
                    out += static_cast<char>(value);
                    break;
                }
                Fail("po.string.escape", SPoUnknownEscape, ValidUtf8(std::string(1, e)) ? std::string(1, e) : std::string("?"));
        }
    }
}

void TPoReader::FinishEntry() {
    if (!inEntry_) return;
    if (obsolete_) {
        // Obsolete entries are kept by translators' tools for reuse; the program has no use for them.
    } else {
        if (part_ == TPart::None || part_ == TPart::Context || part_ == TPart::Id || part_ == TPart::IdPlural) {
            if (entry_.Line > 0 || part_ != TPart::None) {
                line_ = entry_.Line > 0 ? entry_.Line : line_;
                Fail("po.entry.incomplete", SPoIncompleteEntry);
            }
            // Only comments: a trailing comment block, kept nowhere.
        } else {
            auto key = std::make_pair(entry_.HasContext ? "\x01" + entry_.Context : std::string(), entry_.Id);
            auto [it, added] = seen_.emplace(key, entry_.Line);
            if (!added) {
                std::string name = entry_.HasContext ? entry_.Context : entry_.Id;
                throw EPoFileError(EPoFileError::CreateResFmt, SPoDuplicateEntry,
                                   {fileName_, entry_.Line, name.substr(0, 80), it->second})
                    .WithCode("po.entry.duplicate");
            }
            file_.Entries.push_back(std::move(entry_));
        }
    }
    entry_ = TPoEntry();
    inEntry_ = false;
    obsolete_ = false;
    part_ = TPart::None;
}

void TPoReader::Comment(std::string_view line) {
    // A comment after the msgstr starts the next entry.
    if (part_ == TPart::Str) FinishEntry();
    if (line.size() >= 2 && line[1] == '~') {
        if (inEntry_ && !obsolete_) FinishEntry();
        obsolete_ = true;
        inEntry_ = true;
        return;
    }
    if (obsolete_) FinishEntry();
    inEntry_ = true;
    std::string_view rest = line.size() >= 2 ? line.substr(2) : std::string_view();
    char kind = line.size() >= 2 ? line[1] : ' ';
    if (!ValidUtf8(line)) Fail("po.text.utf8", SPoInvalidUtf8);
    if (kind == '.') {
        entry_.ExtractedComments.emplace_back(Trim(rest));
    } else if (kind == ':') {
        entry_.References.emplace_back(Trim(rest));
    } else if (kind == ',') {
        std::string_view flags = rest;
        while (!flags.empty()) {
            std::size_t comma = flags.find(',');
            std::string_view flag = Trim(flags.substr(0, comma));
            if (!flag.empty()) entry_.Flags.emplace_back(flag);
            flags = comma == std::string_view::npos ? std::string_view() : flags.substr(comma + 1);
        }
    } else if (kind == '|') {
        // Previous msgctxt/msgid: what the translation was made from; not needed here.
    } else {
        std::string_view text = line.substr(1);
        if (!text.empty() && text[0] == ' ') text.remove_prefix(1);
        entry_.TranslatorComments.emplace_back(text);
    }
}

void TPoReader::Keyword(std::string_view line) {
    std::size_t end = line.find_first_of(" \t\"");
    std::string_view word = line.substr(0, end);
    std::string_view rest = end == std::string_view::npos ? std::string_view() : line.substr(end);
    if (obsolete_) FinishEntry();
    if (word == "msgctxt") {
        if (part_ != TPart::None) FinishEntry();
        inEntry_ = true;
        entry_.HasContext = true;
        entry_.Context = ReadString(rest);
        part_ = TPart::Context;
    } else if (word == "msgid") {
        if (part_ != TPart::None && part_ != TPart::Context) FinishEntry();
        inEntry_ = true;
        entry_.Line = line_;
        entry_.Id = ReadString(rest);
        part_ = TPart::Id;
    } else if (word == "msgid_plural") {
        if (part_ != TPart::Id) Unexpected(word);
        entry_.HasPlural = true;
        entry_.IdPlural = ReadString(rest);
        part_ = TPart::IdPlural;
    } else if (word == "msgstr") {
        if (part_ != TPart::Id || entry_.HasPlural) Unexpected(word);
        entry_.Str.push_back(ReadString(rest));
        part_ = TPart::Str;
    } else if (word.size() > 8 && word.substr(0, 7) == "msgstr[" && word.back() == ']') {
        std::string_view number = word.substr(7, word.size() - 8);
        std::size_t expected = entry_.Str.size();
        bool ok = entry_.HasPlural && (part_ == TPart::IdPlural || part_ == TPart::Str) && number.size() <= 3 &&
                  number == std::to_string(expected);
        if (!ok) Unexpected(word);
        entry_.Str.push_back(ReadString(rest));
        part_ = TPart::Str;
    } else {
        Unexpected(line);
    }
}

void TPoReader::Continue(std::string_view line) {
    if (obsolete_) Unexpected(line);
    std::string more = ReadString(line);
    switch (part_) {
        case TPart::Context: entry_.Context += more; break;
        case TPart::Id: entry_.Id += more; break;
        case TPart::IdPlural: entry_.IdPlural += more; break;
        case TPart::Str: entry_.Str.back() += more; break;
        case TPart::None: Unexpected(line);
    }
}

void TPoReader::CheckHeader(const TPoFile& file) {
    const TPoEntry* header = file.Header();
    if (!header) return;  // without a header the text is taken as UTF-8, as gettext does
    line_ = header->Line;
    bool found = false;
    std::string type = file.HeaderField("Content-Type", &found);
    std::size_t at = Lower(type).find("charset=");
    if (!found || at == std::string::npos) Fail("po.header.nocharset", SPoNoCharset);
    std::string charset(Trim(type.substr(at + 8)));
    charset = charset.substr(0, charset.find_first_of("; \t"));
    if (Lower(charset) != "utf-8" && Lower(charset) != "utf8") Fail("po.header.charset", SPoUnsupportedCharset, charset.substr(0, 40));
}

TPoFile TPoReader::Run() {
    if (text_.size() >= 3 && text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
    std::string_view line;
    while (NextLine(line)) {
        std::string_view body = Trim(line);
        if (body.empty()) {
            // Blank lines separate entries but may stand anywhere inside one.
            if (part_ == TPart::Str || obsolete_) FinishEntry();
        } else if (body[0] == '#') {
            Comment(body);
        } else if (body[0] == '"') {
            Continue(body);
        } else {
            Keyword(body);
        }
    }
    ++line_;
    FinishEntry();
    CheckHeader(file_);
    return std::move(file_);
}

void AppendQuoted(std::string& out, std::string_view s) {
    out += '"';
    for (char ch : s) {
        switch (ch) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\%03o", static_cast<unsigned>(static_cast<unsigned char>(ch)));
                    out += buf;
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
}

}  // namespace

bool TPoEntry::HasFlag(std::string_view flag) const {
    for (const auto& f : Flags)
        if (f == flag) return true;
    return false;
}

const std::string& TPoEntry::Translation() const {
    static const std::string kEmpty;
    return Str.empty() ? kEmpty : Str.front();
}

const TPoEntry* TPoFile::Header() const {
    for (const auto& e : Entries)
        if (e.IsHeader()) return &e;
    return nullptr;
}

std::string TPoFile::HeaderField(std::string_view name, bool* found) const {
    if (found) *found = false;
    const TPoEntry* header = Header();
    if (!header) return {};
    std::string_view text = header->Translation();
    const std::string key = Lower(name);
    while (!text.empty()) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        std::size_t colon = line.find(':');
        if (colon == std::string_view::npos || Lower(Trim(line.substr(0, colon))) != key) continue;
        if (found) *found = true;
        return std::string(Trim(line.substr(colon + 1)));
    }
    return {};
}

TPoFile ParsePo(std::string_view text, const std::string& fileName) { return TPoReader(text, fileName).Run(); }

std::string PoQuoteLine(std::string_view utf8) {
    std::string out;
    AppendQuoted(out, utf8);
    return out;
}

bool PoUnquote(std::string_view quoted, std::string& utf8) {
    // The reader's own string rules, on a one-line text of its own.
    try {
        TPoFile po = ParsePo("msgid \"q\"\nmsgstr " + std::string(quoted) + "\n", std::string());
        if (po.Entries.size() != 1) return false;
        utf8 = po.Entries[0].Translation();
        return true;
    } catch (const EPoFileError&) {
        return false;
    }
}

std::string PoQuote(std::string_view keyword, std::string_view s) {
    std::string out(keyword);
    out += ' ';
    std::size_t nl = s.find('\n');
    if (nl == std::string_view::npos || nl + 1 == s.size()) {
        AppendQuoted(out, s);
        return out + "\n";
    }
    out += "\"\"\n";
    while (!s.empty()) {
        nl = s.find('\n');
        std::size_t end = nl == std::string_view::npos ? s.size() : nl + 1;
        AppendQuoted(out, s.substr(0, end));
        out += '\n';
        s.remove_prefix(end);
    }
    return out;
}

std::string WritePo(const TPoFile& file) {
    std::string out;
    bool first = true;
    for (const TPoEntry& e : file.Entries) {
        if (!first) out += '\n';
        first = false;
        for (const auto& c : e.TranslatorComments) out += c.empty() ? "#\n" : "# " + c + "\n";
        for (const auto& c : e.ExtractedComments) out += "#. " + c + "\n";
        for (const auto& c : e.References) out += "#: " + c + "\n";
        if (!e.Flags.empty()) {
            out += "#,";
            for (std::size_t i = 0; i < e.Flags.size(); ++i) out += (i == 0 ? " " : ", ") + e.Flags[i];
            out += "\n";
        }
        if (e.HasContext) out += PoQuote("msgctxt", e.Context);
        out += PoQuote("msgid", e.Id);
        if (e.HasPlural) {
            out += PoQuote("msgid_plural", e.IdPlural);
            for (std::size_t i = 0; i < e.Str.size(); ++i) out += PoQuote("msgstr[" + std::to_string(i) + "]", e.Str[i]);
        } else {
            out += PoQuote("msgstr", e.Translation());
        }
    }
    return out;
}

}  // namespace langdata
