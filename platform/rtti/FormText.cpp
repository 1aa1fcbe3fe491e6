#include "platform/rtti/FormText.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/rtl/Conversions.h"
#include "platform/rtti/FormStream.h"

namespace rtti {

namespace {

constexpr std::size_t kStringPiece = 64;  // characters per line of a long string
constexpr std::size_t kBinaryLine = 32;   // bytes per line of binary data

bool IsIdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool IsIdentChar(char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); }

// A name that the parser reads back as the same identifier token.
bool IsIdentShape(const AnsiString& s) {
    if (s.empty() || !IsIdentStart(s[0]) || s.back() == '.') return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '.') {
            if (i + 1 >= s.size() || !IsIdentStart(s[i + 1])) return false;
        } else if (!IsIdentChar(s[i])) {
            return false;
        }
    }
    return true;
}

bool IsOwnCodeName(const AnsiString& s) {
    return rtl::SameText(s, "False") || rtl::SameText(s, "True") || rtl::SameText(s, "nil") || rtl::SameText(s, "Null");
}

bool IsKeyword(const AnsiString& s) {
    return rtl::SameText(s, "object") || rtl::SameText(s, "inherited") || rtl::SameText(s, "inline") ||
           rtl::SameText(s, "end") || rtl::SameText(s, "item");
}

const char kHex[] = "0123456789ABCDEF";

AnsiString HexBytes(const std::uint8_t* p, std::size_t n) {
    AnsiString s;
    for (std::size_t i = 0; i < n; ++i) {
        s += kHex[p[i] >> 4];
        s += kHex[p[i] & 15];
    }
    return s;
}

// ---- Binary -> text --------------------------------------------------------------------------

class TBinToText {
public:
    explicit TBinToText(rtl::TStream& in) : r_(in) {}

    AnsiString Run() {
        r_.ReadSignature();
        Object(0);
        return std::move(out_);
    }

private:
    void Indent(int level) { out_.append(static_cast<std::size_t>(level) * 2, ' '); }

    // Quoted text, split into pieces joined with "+" when long.
    void Quoted(const std::u16string& s, int level) {
        if (s.empty()) {
            out_ += "''";
            return;
        }
        for (std::size_t start = 0; start < s.size(); start += kStringPiece) {
            if (start > 0) {
                out_ += " +\n";
                Indent(level + 1);
            }
            bool inQuote = false;
            std::size_t end = std::min(s.size(), start + kStringPiece);
            for (std::size_t i = start; i < end; ++i) {
                char16_t c = s[i];
                if (c >= 32 && c < 127) {
                    if (!inQuote) out_ += '\'';
                    inQuote = true;
                    out_ += static_cast<char>(c);
                    if (c == '\'') out_ += '\'';
                } else {
                    if (inQuote) out_ += '\'';
                    inQuote = false;
                    out_ += '#';
                    out_ += std::to_string(static_cast<unsigned>(c));
                }
            }
            if (inQuote) out_ += '\'';
        }
    }

    static std::u16string Widen(const AnsiString& s) {
        std::u16string w;
        w.reserve(s.size());
        for (char c : s) w.push_back(static_cast<unsigned char>(c));
        return w;
    }

    // A name: as an identifier when it reads back as one, else quoted.
    void Name(const AnsiString& s, int level) {
        if (IsIdentShape(s) && !IsKeyword(s))
            out_ += s;
        else
            Quoted(Widen(s), level);
    }

    void Object(int level) {
        TNestingGuard guard(r_);
        TObjectHeader h = r_.ReadHeader();
        Indent(level);
        std::uint8_t f = h.Flags;
        if ((f & ffInherited) && (f & ffInline))
            out_ += "inherited inline";
        else if (f & ffInherited)
            out_ += "inherited";
        else if (f & ffInline)
            out_ += "inline";
        else
            out_ += "object";
        std::uint8_t implied = (f & 7) ? static_cast<std::uint8_t>(0xF0 | (f & 7)) : 0;
        if (h.HasPrefix && h.Prefix != implied) {
            out_ += " @prefix $";
            out_ += HexBytes(&h.Prefix, 1);
        }
        out_ += ' ';
        if (!h.ObjectName.empty()) {
            Name(h.ObjectName, level);
            out_ += ": ";
        }
        Name(h.ClassName, level);
        if (f & ffChildPos) {
            out_ += " [";
            IntText(h.PosType, h.ChildPos);
            out_ += ']';
        }
        out_ += '\n';
        while (!r_.EndOfList()) Property(level + 1);
        r_.ReadListEnd();
        while (!r_.EndOfList()) Object(level + 1);
        r_.ReadListEnd();
        Indent(level);
        out_ += "end\n";
    }

    void Property(int level) {
        AnsiString name = r_.ReadStr();
        Indent(level);
        Name(name, level);
        out_ += " = ";
        Value(level);
        out_ += '\n';
    }

    void IntText(TValueType t, std::int64_t v) {
        bool tag = (t == TValueType::vaInt16 && v >= INT8_MIN && v <= INT8_MAX) ||
                   (t == TValueType::vaInt32 && v >= INT16_MIN && v <= INT16_MAX) ||
                   (t == TValueType::vaInt64 && v >= INT32_MIN && v <= INT32_MAX);
        if (tag) {
            switch (t) {
                case TValueType::vaInt16:
                    out_ += "@i16 ";
                    break;
                case TValueType::vaInt32:
                    out_ += "@i32 ";
                    break;
                default:
                    out_ += "@i64 ";
                    break;
            }
        }
        out_ += std::to_string(v);
    }

    // A decimal that has a "." or an exponent, so it reads back as a float.
    static AnsiString FloatLiteral(const char* s) {
        AnsiString t = s;
        if (t.find_first_of(".eE") == AnsiString::npos) t += ".0";
        return t;
    }

    void Extended(const TExtendedBytes& b) {
        long double v = ExtendedToLongDouble(b);
        if (std::isfinite(v) && std::numeric_limits<long double>::digits >= 64) {
            char buf[64];
            for (int prec = 1; prec <= 21; ++prec) {
                std::snprintf(buf, sizeof buf, "%.*Lg", prec, v);
                AnsiString lit = FloatLiteral(buf);
                if (LongDoubleToExtended(std::strtold(lit.c_str(), nullptr)) == b) {
                    out_ += lit;
                    return;
                }
            }
        }
        out_ += "@ext $" + HexBytes(b.data(), b.size());
    }

    void Double(const char* tag, std::uint64_t bits) {
        double v;
        std::memcpy(&v, &bits, 8);
        out_ += tag;
        if (std::isfinite(v)) {
            char buf[64];
            for (int prec = 1; prec <= 17; ++prec) {
                std::snprintf(buf, sizeof buf, "%.*g", prec, v);
                AnsiString lit = FloatLiteral(buf);
                double back = std::strtod(lit.c_str(), nullptr);
                std::uint64_t bb;
                std::memcpy(&bb, &back, 8);
                if (bb == bits) {
                    out_ += lit;
                    return;
                }
            }
        }
        std::uint8_t raw[8];
        for (int i = 0; i < 8; ++i) raw[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        out_ += "$" + HexBytes(raw, 8);
    }

    void Single(std::uint32_t bits) {
        float v;
        std::memcpy(&v, &bits, 4);
        out_ += "@single ";
        if (std::isfinite(v)) {
            char buf[64];
            for (int prec = 1; prec <= 9; ++prec) {
                std::snprintf(buf, sizeof buf, "%.*g", prec, static_cast<double>(v));
                AnsiString lit = FloatLiteral(buf);
                float back = std::strtof(lit.c_str(), nullptr);
                std::uint32_t bb;
                std::memcpy(&bb, &back, 4);
                if (bb == bits) {
                    out_ += lit;
                    return;
                }
            }
        }
        std::uint8_t raw[4];
        for (int i = 0; i < 4; ++i) raw[i] = static_cast<std::uint8_t>(bits >> (8 * i));
        out_ += "$" + HexBytes(raw, 4);
    }

    void Currency(std::int64_t v) {
        out_ += "@currency ";
        std::uint64_t a = v < 0 ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
        if (v < 0) out_ += '-';
        out_ += std::to_string(a / 10000);
        std::uint64_t frac = a % 10000;
        out_ += '.';
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
        AnsiString f = buf;
        while (f.size() > 1 && f.back() == '0') f.pop_back();
        out_ += f;
    }

    void Binary(const std::vector<std::uint8_t>& bytes, int level) {
        out_ += '{';
        for (std::size_t i = 0; i < bytes.size(); i += kBinaryLine) {
            out_ += '\n';
            Indent(level + 1);
            out_ += HexBytes(bytes.data() + i, std::min(kBinaryLine, bytes.size() - i));
        }
        out_ += '}';
    }

    void Value(int level) {
        TValueType t = r_.ReadValue();
        switch (t) {
            case TValueType::vaNull:
                out_ += "Null";
                return;
            case TValueType::vaNil:
                out_ += "nil";
                return;
            case TValueType::vaFalse:
                out_ += "False";
                return;
            case TValueType::vaTrue:
                out_ += "True";
                return;
            case TValueType::vaInt8:
            case TValueType::vaInt16:
            case TValueType::vaInt32:
            case TValueType::vaInt64:
                IntText(t, r_.ReadIntPayload(t));
                return;
            case TValueType::vaExtended:
                Extended(r_.ReadExtendedPayload());
                return;
            case TValueType::vaDouble:
                Double("@double ", r_.Stream().ReadU64());
                return;
            case TValueType::vaDate:
                Double("@date ", r_.Stream().ReadU64());
                return;
            case TValueType::vaSingle:
                Single(r_.Stream().ReadU32());
                return;
            case TValueType::vaCurrency:
                Currency(static_cast<std::int64_t>(r_.Stream().ReadU64()));
                return;
            case TValueType::vaString:
                Quoted(Widen(r_.ReadStr()), level);
                return;
            case TValueType::vaLString: {
                AnsiString s = r_.ReadLStrPayload();
                if (s.size() <= 255) out_ += "@lstr ";
                Quoted(Widen(s), level);
                return;
            }
            case TValueType::vaWString: {
                std::u16string s = r_.ReadWStrPayload();
                bool narrow = true;
                for (char16_t c : s)
                    if (c > 255) narrow = false;
                if (narrow) out_ += "@wstr ";
                Quoted(s, level);
                return;
            }
            case TValueType::vaUTF8String: {
                auto bytes = r_.ReadBinaryPayload();
                out_ += "@utf8 ";
                Quoted(std::u16string(bytes.begin(), bytes.end()), level);
                return;
            }
            case TValueType::vaIdent: {
                AnsiString s = r_.ReadStr();
                if (IsOwnCodeName(s) || !IsIdentShape(s)) {
                    out_ += "@ident ";
                    if (IsIdentShape(s))
                        out_ += s;
                    else
                        Quoted(Widen(s), level);
                } else {
                    out_ += s;
                }
                return;
            }
            case TValueType::vaSet: {
                out_ += '[';
                bool first = true;
                for (const auto& n : r_.ReadSetPayload()) {
                    if (!first) out_ += ", ";
                    first = false;
                    Name(n, level);
                }
                out_ += ']';
                return;
            }
            case TValueType::vaBinary:
                Binary(r_.ReadBinaryPayload(), level);
                return;
            case TValueType::vaList: {
                TNestingGuard guard(r_);
                out_ += '(';
                while (!r_.EndOfList()) {
                    out_ += '\n';
                    Indent(level + 1);
                    Value(level + 1);
                }
                r_.ReadListEnd();
                out_ += ')';
                return;
            }
            case TValueType::vaCollection: {
                TNestingGuard guard(r_);
                out_ += '<';
                while (!r_.EndOfList()) {
                    out_ += '\n';
                    Indent(level + 1);
                    out_ += "item";
                    TValueType n = r_.NextValue();
                    if (n == TValueType::vaInt8 || n == TValueType::vaInt16 || n == TValueType::vaInt32) {
                        r_.ReadValue();
                        out_ += " [";
                        IntText(n, r_.ReadIntPayload(n));
                        out_ += ']';
                    }
                    out_ += '\n';
                    r_.ReadListBegin();
                    while (!r_.EndOfList()) Property(level + 2);
                    r_.ReadListEnd();
                    Indent(level + 1);
                    out_ += "end";
                }
                r_.ReadListEnd();
                out_ += '>';
                return;
            }
        }
    }

    TReader r_;
    AnsiString out_;
};

// ---- Text -> binary --------------------------------------------------------------------------

enum class TTok { End, Ident, Integer, Float, String, Tag, Hex, Symbol };

struct TToken {
    TTok Kind = TTok::End;
    AnsiString Text;       // identifier, number, tag name, hex digits, symbol
    std::u16string Chars;  // string
    int Line = 1;
};

class TTextToBin {
public:
    TTextToBin(const AnsiString& text, rtl::TStream& out) : s_(text), w_(out) { Next(); }

    void Run() {
        w_.WriteSignature();
        Object(0);
        if (tok_.Kind != TTok::End) Error("end of text");
    }

private:
    [[noreturn]] void Error(const char* expected) {
        throw EParserError(EParserError::CreateFmt, "Line %d: %s expected", {tok_.Line, expected});
    }
    [[noreturn]] void Fail(const char* what) {
        throw EParserError(EParserError::CreateFmt, "Line %d: %s", {tok_.Line, what});
    }
    // For a fault in what was just read: the line of the previous token.
    [[noreturn]] void FailPrev(const char* what) {
        throw EParserError(EParserError::CreateFmt, "Line %d: %s", {prevLine_, what});
    }

    // ---- tokens ----
    void SkipBlanks() {
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') ++line_;
            if (static_cast<unsigned char>(c) <= ' ')
                ++pos_;
            else
                break;
        }
    }

    void Next() {
        prevLine_ = tok_.Line;
        SkipBlanks();
        tok_ = TToken{};
        tok_.Line = line_;
        if (pos_ >= s_.size()) return;
        char c = s_[pos_];
        if (IsIdentStart(c)) {
            std::size_t start = pos_;
            while (pos_ < s_.size() && (IsIdentChar(s_[pos_]) ||
                                        (s_[pos_] == '.' && pos_ + 1 < s_.size() && IsIdentStart(s_[pos_ + 1]))))
                ++pos_;
            tok_.Kind = TTok::Ident;
            tok_.Text = s_.substr(start, pos_ - start);
        } else if ((c >= '0' && c <= '9') || (c == '-' && pos_ + 1 < s_.size() && s_[pos_ + 1] >= '0' && s_[pos_ + 1] <= '9')) {
            std::size_t start = pos_++;
            bool isFloat = false;
            while (pos_ < s_.size()) {
                char d = s_[pos_];
                if (d >= '0' && d <= '9') {
                    ++pos_;
                } else if (d == '.' || d == 'e' || d == 'E') {
                    isFloat = true;
                    ++pos_;
                    if ((d == 'e' || d == 'E') && pos_ < s_.size() && (s_[pos_] == '+' || s_[pos_] == '-')) ++pos_;
                } else {
                    break;
                }
            }
            tok_.Kind = isFloat ? TTok::Float : TTok::Integer;
            tok_.Text = s_.substr(start, pos_ - start);
        } else if (c == '\'' || c == '#') {
            tok_.Kind = TTok::String;
            while (pos_ < s_.size() && (s_[pos_] == '\'' || s_[pos_] == '#')) {
                if (s_[pos_] == '\'') {
                    ++pos_;
                    for (;;) {
                        if (pos_ >= s_.size() || s_[pos_] == '\n' || s_[pos_] == '\r') Fail("unterminated string");
                        if (s_[pos_] == '\'') {
                            if (pos_ + 1 < s_.size() && s_[pos_ + 1] == '\'') {
                                tok_.Chars.push_back(u'\'');
                                pos_ += 2;
                                continue;
                            }
                            ++pos_;
                            break;
                        }
                        tok_.Chars.push_back(static_cast<unsigned char>(s_[pos_++]));
                    }
                } else {
                    ++pos_;
                    std::uint32_t code = 0;
                    std::size_t digits = 0;
                    while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
                        code = code * 10 + static_cast<std::uint32_t>(s_[pos_++] - '0');
                        if (code > 0xFFFF) Fail("character code above 65535");
                        ++digits;
                    }
                    if (digits == 0) Error("character code");
                    tok_.Chars.push_back(static_cast<char16_t>(code));
                }
            }
        } else if (c == '@') {
            std::size_t start = ++pos_;
            while (pos_ < s_.size() && IsIdentChar(s_[pos_])) ++pos_;
            tok_.Kind = TTok::Tag;
            tok_.Text = s_.substr(start, pos_ - start);
        } else if (c == '$') {
            std::size_t start = ++pos_;
            while (pos_ < s_.size() && std::isxdigit(static_cast<unsigned char>(s_[pos_]))) ++pos_;
            tok_.Kind = TTok::Hex;
            tok_.Text = s_.substr(start, pos_ - start);
        } else {
            ++pos_;
            tok_.Kind = TTok::Symbol;
            tok_.Text = AnsiString(1, c);
        }
    }

    bool IsSym(char c) const { return tok_.Kind == TTok::Symbol && tok_.Text.size() == 1 && tok_.Text[0] == c; }
    bool IsWord(const char* w) const { return tok_.Kind == TTok::Ident && rtl::SameText(tok_.Text, w); }
    void Expect(char c) {
        char msg[8] = {'\'', c, '\'', 0};
        if (!IsSym(c)) Error(msg);
        Next();
    }

    static AnsiString Narrow(const std::u16string& s, bool& ok) {
        AnsiString out;
        ok = true;
        for (char16_t c : s) {
            if (c > 255) ok = false;
            out.push_back(static_cast<char>(c & 0xFF));
        }
        return out;
    }

    // An identifier or a quoted name.
    AnsiString NameToken() {
        AnsiString name;
        if (tok_.Kind == TTok::Ident) {
            name = tok_.Text;
            if (name.size() > 255) Fail("name too long");
        } else if (tok_.Kind == TTok::String) {
            bool ok;
            name = Narrow(tok_.Chars, ok);
            if (!ok || name.size() > 255) Fail("name too long or not 8-bit");
        } else {
            Error("name");
        }
        Next();
        return name;
    }

    std::vector<std::uint8_t> HexToken(std::size_t bytes) {
        if (tok_.Kind != TTok::Hex || tok_.Text.size() != bytes * 2) Error("hexadecimal bytes");
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < bytes; ++i)
            out.push_back(static_cast<std::uint8_t>(std::stoi(tok_.Text.substr(i * 2, 2), nullptr, 16)));
        Next();
        return out;
    }

    std::int64_t IntegerToken() {
        if (tok_.Kind != TTok::Integer) Error("integer");
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(tok_.Text.c_str(), &end, 10);
        if (errno == ERANGE || *end != 0) Fail("integer out of range");
        Next();
        return v;
    }

    // ---- structure ----
    void Object(int depth) {
        if (depth >= kMaxNesting) Fail("objects nested too deeply");
        std::uint8_t flags = 0;
        if (IsWord("inherited")) {
            flags |= ffInherited;
            Next();
            if (IsWord("inline")) {
                flags |= ffInline;
                Next();
            }
        } else if (IsWord("inline")) {
            flags |= ffInline;
            Next();
        } else if (IsWord("object")) {
            Next();
        } else {
            Error("'object'");
        }
        int prefix = -1;
        if (tok_.Kind == TTok::Tag) {
            if (!rtl::SameText(tok_.Text, "prefix")) Error("@prefix");
            Next();
            prefix = HexToken(1)[0];
            if ((prefix & 0xF0) != 0xF0 || (prefix & 5) != flags) Fail("prefix byte does not match the keywords");
        }
        AnsiString objectName, className = NameToken();
        if (IsSym(':')) {
            Next();
            objectName = className;
            className = NameToken();
        }
        bool hasPos = false;
        std::int64_t pos = 0;
        TValueType posType = TValueType::vaInt8;
        if (IsSym('[')) {
            Next();
            hasPos = true;
            posType = IntTag();
            pos = IntegerToken();
            Expect(']');
            if (pos < INT32_MIN || pos > INT32_MAX) FailPrev("child position out of range");
        }
        if (prefix >= 0) {
            if (((prefix & ffChildPos) != 0) != hasPos) Fail("prefix byte does not match the child position");
        } else if (hasPos) {
            flags |= ffChildPos;
        }
        if (className.size() >= 0xF0) Fail("class name too long");
        auto& st = w_.Stream();
        if (prefix >= 0)
            st.WriteU8(static_cast<std::uint8_t>(prefix));
        else if (flags)
            st.WriteU8(static_cast<std::uint8_t>(0xF0 | flags));
        if (hasPos) WriteInt(posType, pos);
        w_.WriteStr(className);
        w_.WriteStr(objectName);
        while (!IsWord("end") && !IsWord("object") && !IsWord("inherited") && !IsWord("inline")) Property(depth);
        w_.WriteListEnd();
        while (!IsWord("end")) Object(depth + 1);
        Next();
        w_.WriteListEnd();
    }

    void Property(int depth) {
        if (tok_.Kind == TTok::End) Error("'end'");
        w_.WriteStr(NameToken());
        Expect('=');
        Value(depth);
    }

    // An integer tag (or none): the type to write, vaInt8 standing for "the smallest".
    TValueType IntTag() {
        if (tok_.Kind != TTok::Tag) return TValueType::vaInt8;
        TValueType t;
        if (rtl::SameText(tok_.Text, "i8"))
            t = TValueType::vaInt8;
        else if (rtl::SameText(tok_.Text, "i16"))
            t = TValueType::vaInt16;
        else if (rtl::SameText(tok_.Text, "i32"))
            t = TValueType::vaInt32;
        else if (rtl::SameText(tok_.Text, "i64"))
            t = TValueType::vaInt64;
        else
            Error("integer tag");
        Next();
        return t;
    }

    void WriteInt(TValueType t, std::int64_t v) {
        auto& st = w_.Stream();
        auto fits = [&](std::int64_t lo, std::int64_t hi) {
            if (v < lo || v > hi) FailPrev("integer does not fit its tag");
        };
        switch (t) {
            case TValueType::vaInt8:
                if (v >= INT8_MIN && v <= INT8_MAX) {
                    w_.WriteValue(t);
                    st.WriteU8(static_cast<std::uint8_t>(v));
                } else {
                    w_.WriteInteger(v);
                }
                return;
            case TValueType::vaInt16:
                fits(INT16_MIN, INT16_MAX);
                w_.WriteValue(t);
                st.WriteU16(static_cast<std::uint16_t>(v));
                return;
            case TValueType::vaInt32:
                fits(INT32_MIN, INT32_MAX);
                w_.WriteValue(t);
                st.WriteU32(static_cast<std::uint32_t>(v));
                return;
            default:
                w_.WriteValue(TValueType::vaInt64);
                st.WriteU64(static_cast<std::uint64_t>(v));
                return;
        }
    }

    std::u16string StringValue() {
        if (tok_.Kind != TTok::String) Error("string");
        std::u16string s = tok_.Chars;
        Next();
        while (IsSym('+')) {
            Next();
            if (tok_.Kind != TTok::String) Error("string");
            s += tok_.Chars;
            Next();
        }
        return s;
    }

    void WriteLString(const AnsiString& a) {
        w_.WriteValue(TValueType::vaLString);
        w_.Stream().WriteU32(static_cast<std::uint32_t>(a.size()));
        w_.Stream().WriteBuffer(a.data(), static_cast<std::int64_t>(a.size()));
    }

    void StringWith(const AnsiString& tag) {
        std::u16string s = StringValue();
        bool narrow;
        AnsiString a = Narrow(s, narrow);
        if (tag.empty()) {
            if (!narrow)
                w_.WriteWideString(s);
            else if (a.size() <= 255)
                w_.WriteString(a);
            else
                WriteLString(a);
        } else if (rtl::SameText(tag, "wstr")) {
            w_.WriteWideString(s);
        } else if (rtl::SameText(tag, "lstr")) {
            if (!narrow) Fail("@lstr needs 8-bit characters");
            WriteLString(a);
        } else {  // utf8
            if (!narrow) Fail("@utf8 needs byte codes");
            w_.WriteUTF8String(std::span(reinterpret_cast<const std::uint8_t*>(a.data()), a.size()));
        }
    }

    // A float after its tag: a decimal, an integer, or raw bytes.
    void FloatWith(const AnsiString& tag) {
        auto& st = w_.Stream();
        bool ext = rtl::SameText(tag, "ext"), sgl = rtl::SameText(tag, "single"), date = rtl::SameText(tag, "date");
        std::size_t width = ext ? 10 : sgl ? 4 : 8;
        TValueType type = ext ? TValueType::vaExtended
                          : sgl ? TValueType::vaSingle
                          : date ? TValueType::vaDate
                                 : TValueType::vaDouble;
        if (tok_.Kind == TTok::Hex) {
            auto raw = HexToken(width);
            w_.WriteValue(type);
            st.WriteBytes(raw);
            return;
        }
        if (tok_.Kind != TTok::Float && tok_.Kind != TTok::Integer) Error("number");
        AnsiString lit = tok_.Text;
        char* end = nullptr;
        long double probe = std::strtold(lit.c_str(), &end);
        if (end != lit.c_str() + lit.size()) Fail("bad number");
        Next();
        if (ext) {
            w_.WriteExtended(LongDoubleToExtended(probe));
        } else if (sgl) {
            w_.WriteSingle(std::strtof(lit.c_str(), nullptr));
        } else if (date) {
            w_.WriteDate(std::strtod(lit.c_str(), nullptr));
        } else {
            w_.WriteDouble(std::strtod(lit.c_str(), nullptr));
        }
    }

    // A decimal with up to four places, scaled by 10000 exactly.
    void CurrencyValue() {
        if (tok_.Kind != TTok::Float && tok_.Kind != TTok::Integer) Error("number");
        const AnsiString& t = tok_.Text;
        std::size_t i = 0;
        bool neg = false;
        if (i < t.size() && t[i] == '-') {
            neg = true;
            ++i;
        }
        std::uint64_t v = 0;
        int places = -1;
        bool digits = false;
        for (; i < t.size(); ++i) {
            if (t[i] == '.') {
                if (places >= 0) Fail("bad currency value");
                places = 0;
                continue;
            }
            if (t[i] < '0' || t[i] > '9') Fail("bad currency value");
            if (places >= 0 && ++places > 4) Fail("currency has at most four decimal places");
            auto d = static_cast<std::uint64_t>(t[i] - '0');
            if (v > (UINT64_MAX - d) / 10) Fail("currency value out of range");
            v = v * 10 + d;
            digits = true;
        }
        if (!digits) Fail("bad currency value");
        for (int p = places < 0 ? 0 : places; p < 4; ++p) {
            if (v > UINT64_MAX / 10) Fail("currency value out of range");
            v *= 10;
        }
        std::uint64_t limit = neg ? (std::uint64_t{1} << 63) : (std::uint64_t{1} << 63) - 1;
        if (v > limit) Fail("currency value out of range");
        std::uint64_t u = v;
        std::int64_t scaled = neg ? static_cast<std::int64_t>(0 - u) : static_cast<std::int64_t>(u);
        Next();
        w_.WriteCurrency(scaled);
    }

    void Value(int depth) {
        if (depth >= kMaxNesting) Fail("values nested too deeply");
        if (tok_.Kind == TTok::Tag) {
            AnsiString tag = tok_.Text;
            if (rtl::SameText(tag, "i8") || rtl::SameText(tag, "i16") || rtl::SameText(tag, "i32") ||
                rtl::SameText(tag, "i64")) {
                TValueType t = IntTag();
                std::int64_t v = IntegerToken();
                if (t == TValueType::vaInt8 && (v < INT8_MIN || v > INT8_MAX)) FailPrev("integer does not fit its tag");
                WriteInt(t, v);
                return;
            }
            Next();
            if (rtl::SameText(tag, "lstr") || rtl::SameText(tag, "wstr") || rtl::SameText(tag, "utf8")) {
                StringWith(tag);
            } else if (rtl::SameText(tag, "ext") || rtl::SameText(tag, "single") || rtl::SameText(tag, "double") ||
                       rtl::SameText(tag, "date")) {
                FloatWith(tag);
            } else if (rtl::SameText(tag, "currency")) {
                CurrencyValue();
            } else if (rtl::SameText(tag, "ident")) {
                w_.WriteValue(TValueType::vaIdent);
                w_.WriteStr(NameToken());
            } else {
                Fail("unknown tag");
            }
            return;
        }
        switch (tok_.Kind) {
            case TTok::Integer:
                WriteInt(TValueType::vaInt8, IntegerToken());
                return;
            case TTok::Float:
                FloatWith("ext");
                return;
            case TTok::String:
                StringWith("");
                return;
            case TTok::Ident: {
                AnsiString id = tok_.Text;
                if (id.size() > 255) Fail("identifier too long");
                Next();
                w_.WriteIdent(id);
                return;
            }
            default:
                break;
        }
        if (IsSym('[')) {
            Next();
            w_.WriteValue(TValueType::vaSet);
            if (!IsSym(']')) {
                for (;;) {
                    AnsiString n = NameToken();
                    if (n.empty()) Fail("empty set element");
                    w_.WriteStr(n);
                    if (IsSym(']')) break;
                    Expect(',');
                }
            }
            Next();
            w_.Stream().WriteU8(0);
        } else if (IsSym('(')) {
            Next();
            w_.WriteListBegin();
            while (!IsSym(')')) {
                // Null is the list's end marker in a stream, so it cannot be an element.
                if (IsWord("Null")) Fail("Null cannot be an element of a list");
                Value(depth + 1);
            }
            Next();
            w_.WriteListEnd();
        } else if (IsSym('<')) {
            Next();
            w_.WriteCollectionBegin();
            while (!IsSym('>')) {
                if (!IsWord("item")) Error("'item'");
                Next();
                if (IsSym('[')) {
                    Next();
                    TValueType t = IntTag();
                    std::int64_t v = IntegerToken();
                    if (v < INT32_MIN || v > INT32_MAX || t == TValueType::vaInt64) FailPrev("item index out of range");
                    WriteInt(t, v);
                    Expect(']');
                }
                w_.WriteListBegin();
                while (!IsWord("end")) Property(depth + 1);
                Next();
                w_.WriteListEnd();
            }
            Next();
            w_.WriteListEnd();
        } else if (IsSym('{')) {
            // Hexadecimal digits up to the closing brace, blanks ignored.
            std::vector<std::uint8_t> bytes;
            int nibble = -1;
            while (pos_ < s_.size() && s_[pos_] != '}') {
                char c = s_[pos_++];
                if (c == '\n') ++line_;
                if (static_cast<unsigned char>(c) <= ' ') continue;
                int d = std::isxdigit(static_cast<unsigned char>(c)) ? std::stoi(AnsiString(1, c), nullptr, 16) : -1;
                if (d < 0) Fail("bad hexadecimal digit in binary data");
                if (nibble < 0) {
                    nibble = d;
                } else {
                    bytes.push_back(static_cast<std::uint8_t>(nibble * 16 + d));
                    nibble = -1;
                }
            }
            if (pos_ >= s_.size()) Error("'}'");
            if (nibble >= 0) Fail("odd number of hexadecimal digits");
            ++pos_;
            Next();
            w_.WriteBinary(bytes);
        } else {
            Error("value");
        }
    }

    const AnsiString& s_;
    std::size_t pos_ = 0;
    int line_ = 1;
    int prevLine_ = 1;
    TToken tok_;
    TWriter w_;
};

}  // namespace

AnsiString ObjectBinaryToText(rtl::TStream& input) { return TBinToText(input).Run(); }

void ObjectTextToBinary(const AnsiString& text, rtl::TStream& output) { TTextToBin(text, output).Run(); }

}  // namespace rtti
