// Translation values and their lists: one text per language with its revision, flags and
// stamp, in the encodings of the language file formats.

#include "locstore/LocValue.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "locstore/KLocales.h"
#include "locstore/KStrings.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/Conversions.h"
#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"

namespace locstore {

// The one place that asks the platform for the user's default language.
std::uint16_t UserDefaultLanguageId() { return nls::GetUserDefaultLangID(); }

namespace {

// Code page 0 stands for the system's ANSI code page in the conversions.
constexpr int kSystemCodePage = 0;

// Numbers are written with ".", as the text helpers read them back (StrToFloatOrZero).
constexpr char kDecimalSeparator = '.';

// General number format with up to 15 significant digits: fixed notation while the integer part
// has at most 15 digits and the value is at least 0.00001, otherwise d.dddE[-]x; trailing zeros
// and a bare decimal separator are dropped.
AnsiString FloatToText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (value == 0) return "0";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.14e", value);
    // buffer: [-]d.dddddddddddddde[+-]xx
    const char* p = buffer;
    bool negative = *p == '-';
    if (negative) ++p;
    AnsiString digits;
    for (; *p != 'e'; ++p)
        if (*p != '.') digits += *p;
    int exponent = std::atoi(p + 1);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    AnsiString out = negative ? "-" : "";
    const char sep = kDecimalSeparator;
    if (exponent < 15 && std::fabs(value) >= 0.00001) {
        if (exponent < 0) {
            out += '0';
            out += sep;
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        } else {
            const auto intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += sep;
                out += digits.substr(intDigits);
            }
        }
        return out;
    }
    out += digits[0];
    if (digits.size() > 1) {
        out += sep;
        out += digits.substr(1);
    }
    out += 'E';
    out += rtl::IntToStr(exponent);
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TLocValue

TLocValue::TLocValue(TLocValueList* owner) : TLocValue(owner, UserDefaultLanguageId()) {}

TLocValue::TLocValue(TLocValueList* owner, std::uint16_t languageId) : owner_(owner), languageId_(languageId) {}

TLocValue::~TLocValue() = default;

std::uint8_t TLocValue::Kind() const { return owner_ != nullptr ? owner_->Kind() : lvkString; }

bool TLocValue::IsBaseValue() const {
    return owner_ != nullptr && owner_->Count() > 0 && owner_->Value(0) == this;
}

void TLocValue::SetText(WideString text) {
    text_ = std::move(text);
    if (!IsBaseValue()) return;
    // Untranslated values show the base text as their own language's 8-bit interface would.
    bool haveAnsi = false;
    AnsiString ansi;
    for (int i = 1; i < owner_->Count(); ++i) {
        TLocValue* other = owner_->Value(i);
        if (other->Revision() >= 0) continue;
        if (!haveAnsi) {
            ansi = AsAnsi();
            haveAnsi = true;
        }
        other->SetAnsi(ansi);
    }
}

AnsiString TLocValue::AsAnsi() const { return WideToAnsiByLanguage(text_, languageId_); }

void TLocValue::SetAnsi(const AnsiString& text) { SetText(AnsiToWideByLanguage(text, languageId_)); }

const std::vector<AnsiString>& TLocValue::AsLines() {
    if (!lines_) lines_ = std::make_unique<std::vector<AnsiString>>();
    lines_->clear();
    AnsiString text = AsAnsi();
    const std::size_t end = std::min(text.find('\0'), text.size());
    std::size_t start = 0;
    while (start < end) {
        std::size_t stop = start;
        while (stop < end && text[stop] != '\r' && text[stop] != '\n') ++stop;
        lines_->push_back(text.substr(start, stop - start));
        if (stop < end && text[stop] == '\r') ++stop;
        if (stop < end && text[stop] == '\n') ++stop;
        start = stop;
    }
    return *lines_;
}

std::int32_t TLocValue::AsInteger() const { return StrToIntOrZero(WideToAnsi(text_, kSystemCodePage)); }

double TLocValue::AsFloat() const { return StrToFloatOrZero(WideToAnsi(text_, kSystemCodePage)); }

std::int64_t TLocValue::AsInt64() const {
    const AnsiString text = WideToAnsi(text_, kSystemCodePage);
    std::int64_t value = 0;
    if (!rtl::TryStrToInt64(text, value)) throw rtl::EConvertError(rtl::EConvertError::CreateResFmt, rtl::SInvalidInteger, {text});
    return value;
}

void TLocValue::LoadFromStream(rtl::TStream& stream, int formatVersion) {
    const std::uint8_t kind = Kind();
    const bool isText = kind == lvkString || kind == lvkStrings;
    if (formatVersion <= 3 && !isText) return;
    switch (kind) {
        case lvkFloat:
        {
            const AnsiString number = FloatToText(std::bit_cast<double>(stream.ReadU64()));
            text_.assign(number.begin(), number.end());
            break;
        }
        case lvkInteger: {
            const AnsiString digits = rtl::IntToStr(stream.ReadI32());
            text_.assign(digits.begin(), digits.end());
            break;
        }
        case lvkString:
        case lvkStrings:
            text_ = rtl::ReadPackedWideString(stream, formatVersion);
            break;
        default:
            break;
    }
}

void TLocValue::SetFlags(std::uint16_t mask, bool on) {
    flags_ = static_cast<std::uint16_t>(on ? flags_ | mask : flags_ & ~mask);
}

// ---------------------------------------------------------------------------------------------
// TLocValueList

TLocValueList::TLocValueList(std::uint8_t kind) : TLocValueList(kind, UserDefaultLanguageId()) {}

TLocValueList::TLocValueList(std::uint8_t kind, std::uint16_t baseLanguageId) : kind_(kind) {
    Add(std::make_unique<TLocValue>(this, baseLanguageId));
}

}  // namespace locstore
