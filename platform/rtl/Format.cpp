#include "platform/rtl/Format.h"

#include <cstdio>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/RtlConsts.h"

namespace rtl {

namespace {

[[noreturn]] void RaiseInvalid(const AnsiString& pattern) {
    throw EConvertError(EConvertError::CreateResFmt, SInvalidFormat, {pattern});
}

AnsiString Pad(AnsiString text, int width, bool left) {
    if (width <= 0 || static_cast<int>(text.size()) >= width) return text;
    AnsiString fill(static_cast<std::size_t>(width) - text.size(), ' ');
    return left ? text + fill : fill + text;
}

AnsiString ConvertOne(char conversion, const FormatArg& arg, const AnsiString& pattern) {
    char buffer[32];
    switch (conversion) {
        case 's':
            if (arg.IsInteger()) RaiseInvalid(pattern);
            return arg.Text();
        case 'd':
            if (!arg.IsInteger()) RaiseInvalid(pattern);
            std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(arg.Integer()));
            return buffer;
        case 'u':
            if (!arg.IsInteger()) RaiseInvalid(pattern);
            std::snprintf(buffer, sizeof buffer, "%llu",
                          static_cast<unsigned long long>(static_cast<std::uint32_t>(arg.Integer())));
            return buffer;
        case 'x':
            if (!arg.IsInteger()) RaiseInvalid(pattern);
            std::snprintf(buffer, sizeof buffer, "%llX",
                          static_cast<unsigned long long>(static_cast<std::uint32_t>(arg.Integer())));
            return buffer;
        default:
            RaiseInvalid(pattern);
    }
}

}  // namespace

AnsiString Format(const AnsiString& pattern, std::initializer_list<FormatArg> args) {
    std::vector<const FormatArg*> list;
    for (const auto& a : args) list.push_back(&a);
    AnsiString out;
    out.reserve(pattern.size() + 16);
    std::size_t next = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (++i >= pattern.size()) RaiseInvalid(pattern);
        if (pattern[i] == '%') {
            out += '%';
            continue;
        }
        bool left = false;
        if (pattern[i] == '-') {
            left = true;
            if (++i >= pattern.size()) RaiseInvalid(pattern);
        }
        int width = 0;
        while (i < pattern.size() && pattern[i] >= '0' && pattern[i] <= '9') {
            width = width * 10 + (pattern[i] - '0');
            if (width > 4096) RaiseInvalid(pattern);
            ++i;
        }
        if (i >= pattern.size() || next >= list.size()) RaiseInvalid(pattern);
        char conversion = static_cast<char>(pattern[i] | 0x20);  // %D reads as %d
        out += Pad(ConvertOne(conversion, *list[next++], pattern), width, left);
    }
    return out;
}

}  // namespace rtl
