#include "platform/rtl/Conversions.h"

#include <algorithm>
#include <cstdio>

#include "platform/rtl/Exception.h"
#include "platform/rtl/RtlConsts.h"

namespace rtl {

AnsiString IntToStr(std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

namespace {

// Optional sign, then decimal digits or "$"/"0x" hexadecimal; nothing else, no blanks. Decimal
// takes the signed range of `bits`; hexadecimal all of its bits ("$FFFFFFFF" is -1 in 32 bits).
bool ParseInteger(const AnsiString& text, int bits, std::uint64_t& result) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    unsigned base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    const std::uint64_t signBit = std::uint64_t{1} << (bits - 1);
    const std::uint64_t limit = base == 16 ? signBit + (signBit - 1) : (negative ? signBit : signBit - 1);
    std::uint64_t acc = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9') digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f') digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F') digit = static_cast<unsigned>(c - 'A' + 10);
        else return false;
        if (acc > (limit - digit) / base) return false;
        acc = acc * base + digit;
    }
    result = negative ? 0 - acc : acc;
    return true;
}

}  // namespace

bool TryStrToInt(const AnsiString& text, std::int32_t& value) {
    std::uint64_t bitsOf = 0;
    if (!ParseInteger(text, 32, bitsOf)) return false;
    value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bitsOf));
    return true;
}

bool TryStrToInt64(const AnsiString& text, std::int64_t& value) {
    std::uint64_t bitsOf = 0;
    if (!ParseInteger(text, 64, bitsOf)) return false;
    value = static_cast<std::int64_t>(bitsOf);
    return true;
}

std::int32_t StrToInt(const AnsiString& text) {
    std::int32_t value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError(EConvertError::CreateResFmt, SInvalidInteger, {text});
    return value;
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

AnsiString TrimLeft(const AnsiString& text) {
    auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    return AnsiString(first, text.end());
}

AnsiString TrimRight(const AnsiString& text) {
    auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return AnsiString(text.begin(), last);
}

AnsiString Trim(const AnsiString& text) { return TrimRight(TrimLeft(text)); }

AnsiString UpperCase(const AnsiString& text) {
    AnsiString out = text;
    for (auto& c : out) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return out;
}

AnsiString LowerCase(const AnsiString& text) {
    AnsiString out = text;
    for (auto& c : out) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return out;
}

int CompareText(const AnsiString& a, const AnsiString& b) {
    std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool SameText(const AnsiString& a, const AnsiString& b) { return a.size() == b.size() && CompareText(a, b) == 0; }

}  // namespace rtl
