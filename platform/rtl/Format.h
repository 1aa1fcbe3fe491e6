#pragma once
// Format: the run time's printf-like formatting of message strings.
// Supported: %s (text), %d (signed decimal), %u (unsigned decimal), %x (hexadecimal, upper case
// digits) and %%. An optional width ("%5d") and a "-" for left alignment are honoured. A
// specifier without a matching argument, or of the wrong kind, raises EConvertError.

#include <cstdint>
#include <initializer_list>
#include <variant>

#include "platform/rtl/SysTypes.h"

namespace rtl {

class FormatArg {
public:
    FormatArg(int v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(long long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(unsigned long long v) : value_(static_cast<std::int64_t>(v)) {}
    FormatArg(const char* v) : value_(AnsiString(v)) {}
    FormatArg(AnsiString v) : value_(std::move(v)) {}

    bool IsInteger() const { return std::holds_alternative<std::int64_t>(value_); }
    std::int64_t Integer() const { return std::get<std::int64_t>(value_); }
    const AnsiString& Text() const { return std::get<AnsiString>(value_); }

private:
    std::variant<std::int64_t, AnsiString> value_;
};

AnsiString Format(const AnsiString& pattern, std::initializer_list<FormatArg> args);

}  // namespace rtl
