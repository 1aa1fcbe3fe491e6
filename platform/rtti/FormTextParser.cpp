// Form sources to form streams: the parser half of the text form (FormText.h).

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
#include "platform/rtti/FormTextChars.h"


namespace rtti {

namespace {

using formtext::IsIdentChar;
using formtext::IsIdentStart;

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

void ObjectTextToBinary(const AnsiString& text, rtl::TStream& output) { TTextToBin(text, output).Run(); }

}  // namespace rtti
