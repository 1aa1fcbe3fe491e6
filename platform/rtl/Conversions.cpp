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

bool TryStrToInt(const AnsiString& text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return false;
    std::int64_t acc = 0;
    for (; i < text.size(); ++i) {
        char c = text[i];
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return false;
        acc = acc * base + digit;
        if (acc > (base == 16 ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
    }
    if (base == 16) {
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(acc));
        if (negative) value = static_cast<std::int32_t>(0u - static_cast<std::uint32_t>(value));
        return true;
    }
    if (negative) acc = -acc;
    if (acc > INT32_MAX || acc < INT32_MIN) return false;
    value = static_cast<std::int32_t>(acc);
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
