#include "locstore/KStrings.h"

#include <charconv>
#include <system_error>

#include "platform/rtl/Conversions.h"

namespace locstore {

namespace {

bool IsDigit(char ch) { return ch >= '0' && ch <= '9'; }

}  // namespace

int HexDigitValue(char ch) {
    if (IsDigit(ch)) return ch - '0';
    if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
    throw EKStringsError(AnsiString(1, ch) + rtl::LoadResString(SKStringsNotHexDigit));
}

std::uint32_t HexToInt(const AnsiString& text) {
    // From the last digit to the first in 32-bit arithmetic: the weight of a ninth digit has
    // wrapped to zero, so it drops out (but must still be a digit).
    std::uint32_t result = 0;
    std::uint32_t weight = 1;
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        result += static_cast<std::uint32_t>(HexDigitValue(*it)) * weight;
        weight *= 16;
    }
    return result;
}

std::int32_t StrToIntOrZero(const AnsiString& text) {
    std::int32_t value = 0;
    return rtl::TryStrToInt(rtl::Trim(text), value) ? value : 0;
}

double StrToFloatOrZero(const AnsiString& text) {
    AnsiString t = rtl::Trim(text);
    // Plain decimal notation only: sign, digits, one point, an exponent. No "inf", "nan" or
    // hexadecimal forms, which the float parser would otherwise take.
    for (char ch : t) {
        if (!(IsDigit(ch) || ch == '.' || ch == '+' || ch == '-' || ch == 'e' || ch == 'E')) return 0.0;
    }
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (first != last && *first == '+') {
        ++first;
        if (first == last || !(IsDigit(*first) || *first == '.')) return 0.0;
    }
    double value = 0.0;
    auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec != std::errc() || end != last) return 0.0;
    return value;
}

std::int32_t StrToIntLoose(const AnsiString& text) {
    AnsiString t = rtl::Trim(text);
    std::int32_t value = 0;
    if (rtl::TryStrToInt(t, value)) return value;
    std::size_t digits = 0;
    while (digits < t.size() && IsDigit(t[digits])) ++digits;
    if (digits == 0) return 0;
    // A run of digits too large for 32 bits raises the conversion error.
    return rtl::StrToInt(t.substr(0, digits));
}

AnsiString TextBefore(const AnsiString& separator, const AnsiString& text) {
    if (separator.empty()) return text;
    auto pos = text.find(separator);
    if (pos == AnsiString::npos) return text;
    return rtl::Trim(text.substr(0, pos));
}

int FindNth(const AnsiString& sub, const AnsiString& text, int from, int n) {
    const auto length = static_cast<long long>(text.size());
    if (length < from || text.empty() || sub.empty()) return 0;
    if (from < 1) from = 1;
    const auto subLength = static_cast<long long>(sub.size());
    int found = 0;
    // Occurrences may overlap: the next try starts one byte further.
    for (long long pos = from; pos + subLength - 1 <= length; ++pos) {
        if (text.compare(static_cast<std::size_t>(pos - 1), sub.size(), sub) == 0 && ++found == n)
            return static_cast<int>(pos);
    }
    return 0;
}

AnsiString JoinWithSeparator(const AnsiString& a, const AnsiString& b, char separator) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    const bool aHas = a.back() == separator;
    const bool bHas = b.front() == separator;
    if (aHas && bHas) return a + b.substr(1);
    if (aHas || bHas) return a + b;
    return a + separator + b;
}

AnsiString JoinPath(const AnsiString& dir, const AnsiString& name) { return JoinWithSeparator(dir, name, '/'); }

AnsiString JoinDotted(const AnsiString& a, const AnsiString& b) {
    if (a.empty()) return b;
    if (b.empty()) return a;
    return a + "." + b;
}

bool IsAllDigits(const AnsiString& text) {
    if (text.empty()) return false;
    for (char ch : text) {
        if (!IsDigit(ch)) return false;
    }
    return true;
}

}  // namespace locstore
