// Form streams to form sources: the writer half of the text form (FormText.h).

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

constexpr std::size_t kStringPiece = 64;  // characters per line of a long string
constexpr std::size_t kBinaryLine = 32;   // bytes per line of binary data


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

}  // namespace

AnsiString ObjectBinaryToText(rtl::TStream& input) {
    return rtl::WithReadErrorCode("form.stream.short", [&] { return TBinToText(input).Run(); });
}

}  // namespace rtti
