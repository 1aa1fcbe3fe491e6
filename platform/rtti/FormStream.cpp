#include "platform/rtti/FormStream.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "platform/rtl/PackedStrings.h"
#include "platform/rtl/RtlConsts.h"
#include "platform/rtl/Utf8.h"
#include "platform/rtti/RttiConsts.h"
#include "platform/rtti/TypInfo.h"

namespace rtti {

// ---- Extended floats -------------------------------------------------------------------------

long double ExtendedToLongDouble(const TExtendedBytes& b) {
    std::uint64_t mant = 0;
    for (int i = 7; i >= 0; --i) mant = (mant << 8) | b[static_cast<std::size_t>(i)];
    unsigned se = static_cast<unsigned>(b[8]) | (static_cast<unsigned>(b[9]) << 8);
    bool neg = (se & 0x8000) != 0;
    int exp = static_cast<int>(se & 0x7FFF);
    long double v;
    if (exp == 0x7FFF) {
        v = (mant << 1) == 0 ? HUGE_VALL : std::nanl("");
    } else if (exp == 0) {
        v = std::ldexp(static_cast<long double>(mant), -16382 - 63);
    } else {
        v = std::ldexp(static_cast<long double>(mant), exp - 16383 - 63);
    }
    return neg ? -v : v;
}

TExtendedBytes LongDoubleToExtended(long double value) {
    TExtendedBytes out{};
    bool neg = std::signbit(value);
    long double a = std::fabs(value);
    std::uint64_t mant = 0;
    int biased = 0;
    if (std::isnan(a)) {
        biased = 0x7FFF;
        mant = 0xC000000000000000ull;
    } else if (std::isinf(a)) {
        biased = 0x7FFF;
        mant = 0x8000000000000000ull;
    } else if (a != 0) {
        int e = 0;
        long double m = std::frexp(a, &e);  // a = m * 2^e, 0.5 <= m < 1
        biased = e - 1 + 16383;
        if (biased >= 0x7FFF) {
            biased = 0x7FFF;
            mant = 0x8000000000000000ull;
        } else {
            // m * 2^64 is below 2^64; split to stay exact where long double has 64 bits.
            long double hi = std::ldexp(m, 32);
            long double hiInt = std::floor(hi);
            auto h = static_cast<std::uint64_t>(hiInt);
            auto l = static_cast<std::uint64_t>(std::ldexp(hi - hiInt, 32));
            mant = (h << 32) | l;
            if (biased <= 0) {
                int shift = 1 - biased;
                mant = shift >= 64 ? 0 : mant >> shift;
                biased = 0;
            }
        }
    }
    for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mant >> (8 * i));
    unsigned se = static_cast<unsigned>(biased) | (neg ? 0x8000u : 0u);
    out[8] = static_cast<std::uint8_t>(se);
    out[9] = static_cast<std::uint8_t>(se >> 8);
    return out;
}

namespace {

WideString Utf8ToWide(const std::vector<std::uint8_t>& s) {
    return rtl::Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(s.data()), s.size()));
}

}  // namespace

// ---- TReader ---------------------------------------------------------------------------------

namespace {
[[noreturn]] void UnknownValueType(std::uint8_t b) {
    throw rtl::EReadError(rtl::EReadError::CreateResFmt, SUnknownValueType, {static_cast<int>(b)})
        .WithCode("form.value.type");
}
}  // namespace

void TReader::InvalidValue() {
    throw rtl::EReadError(rtl::EReadError::CreateRes, SInvalidPropertyValue).WithCode("form.value.invalid");
}

void TReader::SkipBytes(std::int64_t count) {
    if (count < 0 || count > stream_.Remaining())
        throw rtl::EReadError(rtl::EReadError::CreateRes, rtl::SReadError).WithCode("form.stream.short");
    stream_.Seek(count, rtl::TSeekOrigin::soCurrent);
}

void TReader::EnterNesting() {
    if (depth_ >= kMaxNesting)
        throw rtl::EReadError(rtl::EReadError::CreateRes, SStreamTooDeep).WithCode("form.nesting.deep");
    ++depth_;
}

void TReader::ReadSignature() {
    std::uint8_t sig[4] = {};
    if (stream_.Read(sig, 4) != 4 || std::memcmp(sig, "TPF0", 4) != 0)
        throw rtl::EReadError(rtl::EReadError::CreateRes, SInvalidImage).WithCode("form.header.magic");
}

TValueType TReader::ReadValue() {
    std::uint8_t b = stream_.ReadU8();
    if (b > kMaxValueType) UnknownValueType(b);
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    std::int64_t pos = stream_.Position();
    std::uint8_t b = stream_.ReadU8();
    stream_.SetPosition(pos);
    if (b > kMaxValueType) UnknownValueType(b);
    return static_cast<TValueType>(b);
}

bool TReader::EndOfList() {
    std::int64_t pos = stream_.Position();
    std::uint8_t b = stream_.ReadU8();
    stream_.SetPosition(pos);
    return b == 0;
}

void TReader::ReadListBegin() {
    if (ReadValue() != TValueType::vaList) InvalidValue();
}

void TReader::ReadListEnd() {
    if (stream_.ReadU8() != 0) InvalidValue();
}

std::int64_t TReader::ReadIntPayload(TValueType type) {
    switch (type) {
        case TValueType::vaInt8:
            return static_cast<std::int8_t>(stream_.ReadU8());
        case TValueType::vaInt16:
            return static_cast<std::int16_t>(stream_.ReadU16());
        case TValueType::vaInt32:
            return static_cast<std::int32_t>(stream_.ReadU32());
        case TValueType::vaInt64:
            return static_cast<std::int64_t>(stream_.ReadU64());
        default:
            InvalidValue();
    }
}

std::int32_t TReader::ReadInteger() {
    TValueType t = ReadValue();
    if (t != TValueType::vaInt8 && t != TValueType::vaInt16 && t != TValueType::vaInt32) InvalidValue();
    return static_cast<std::int32_t>(ReadIntPayload(t));
}

std::int64_t TReader::ReadInt64() {
    TValueType t = ReadValue();
    if (t != TValueType::vaInt8 && t != TValueType::vaInt16 && t != TValueType::vaInt32 && t != TValueType::vaInt64)
        InvalidValue();
    return ReadIntPayload(t);
}

bool TReader::ReadBoolean() {
    TValueType t = ReadValue();
    if (t == TValueType::vaTrue) return true;
    if (t == TValueType::vaFalse) return false;
    InvalidValue();
}

double TReader::ReadFloat() {
    TValueType t = ReadValue();
    switch (t) {
        case TValueType::vaExtended:
            return static_cast<double>(ExtendedToLongDouble(ReadExtendedPayload()));
        case TValueType::vaSingle: {
            std::uint32_t bits = stream_.ReadU32();
            float f;
            std::memcpy(&f, &bits, 4);
            return f;
        }
        case TValueType::vaDouble:
        case TValueType::vaDate: {
            std::uint64_t bits = stream_.ReadU64();
            double d;
            std::memcpy(&d, &bits, 8);
            return d;
        }
        case TValueType::vaCurrency:
            return static_cast<double>(static_cast<std::int64_t>(stream_.ReadU64())) / 10000.0;
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32:
        case TValueType::vaInt64:
            return static_cast<double>(ReadIntPayload(t));
        default:
            InvalidValue();
    }
}

AnsiString TReader::ReadStr() {
    // At most 255 bytes: read straight into the string (a short stream raises the read error).
    AnsiString text(stream_.ReadU8(), '\0');
    stream_.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    return text;
}

AnsiString TReader::ReadLStrPayload() {
    std::uint32_t len = stream_.ReadU32();
    auto bytes = stream_.ReadBytes(len);
    return AnsiString(bytes.begin(), bytes.end());
}

WideString TReader::ReadWStrPayload() {
    std::uint32_t len = stream_.ReadU32();
    return rtl::ReadWideChars(stream_, len);
}

TExtendedBytes TReader::ReadExtendedPayload() {
    TExtendedBytes b{};
    stream_.ReadBuffer(b.data(), 10);
    return b;
}

std::vector<std::uint8_t> TReader::ReadBinaryPayload() {
    std::uint32_t len = stream_.ReadU32();
    return stream_.ReadBytes(len);
}

std::vector<AnsiString> TReader::ReadSetPayload() {
    std::vector<AnsiString> names;
    for (;;) {
        AnsiString s = ReadStr();
        if (s.empty()) break;
        names.push_back(std::move(s));
    }
    return names;
}

AnsiString TReader::ReadString(const TPersistent* target) {
    TValueType t = ReadValue();
    switch (t) {
        case TValueType::vaString:
            return ReadStr();
        case TValueType::vaLString:
            return ReadLStrPayload();
        case TValueType::vaWString:
            return WideToAnsi(ReadWStrPayload(), target);
        case TValueType::vaUTF8String:
            return WideToAnsi(Utf8ToWide(ReadBinaryPayload()), target);
        default:
            InvalidValue();
    }
}

WideString TReader::ReadWideString(const TPersistent* target) {
    TValueType t = ReadValue();
    switch (t) {
        case TValueType::vaString:
            return AnsiToWide(ReadStr(), target);
        case TValueType::vaLString:
            return AnsiToWide(ReadLStrPayload(), target);
        case TValueType::vaWString:
            return ReadWStrPayload();
        case TValueType::vaUTF8String:
            return Utf8ToWide(ReadBinaryPayload());
        default:
            InvalidValue();
    }
}

AnsiString TReader::ReadIdent() {
    TValueType t = ReadValue();
    switch (t) {
        case TValueType::vaIdent:
            return ReadStr();
        case TValueType::vaFalse:
            return "False";
        case TValueType::vaTrue:
            return "True";
        case TValueType::vaNil:
            return "nil";
        case TValueType::vaNull:
            return "Null";
        default:
            InvalidValue();
    }
}

std::vector<std::uint8_t> TReader::ReadBinary() {
    if (ReadValue() != TValueType::vaBinary) InvalidValue();
    return ReadBinaryPayload();
}

std::vector<AnsiString> TReader::ReadSet() {
    if (ReadValue() != TValueType::vaSet) InvalidValue();
    return ReadSetPayload();
}

void TReader::SkipValue() {
    TValueType t = ReadValue();
    switch (t) {
        case TValueType::vaNull:
        case TValueType::vaFalse:
        case TValueType::vaTrue:
        case TValueType::vaNil:
            return;
        case TValueType::vaList: {
            TNestingGuard guard(*this);
            while (!EndOfList()) SkipValue();
            ReadListEnd();
            return;
        }
        case TValueType::vaInt8:
            return SkipBytes(1);
        case TValueType::vaInt16:
            return SkipBytes(2);
        case TValueType::vaInt32:
        case TValueType::vaSingle:
            return SkipBytes(4);
        case TValueType::vaInt64:
        case TValueType::vaCurrency:
        case TValueType::vaDate:
        case TValueType::vaDouble:
            return SkipBytes(8);
        case TValueType::vaExtended:
            return SkipBytes(10);
        case TValueType::vaString:
        case TValueType::vaIdent:
            return SkipBytes(stream_.ReadU8());
        case TValueType::vaLString:
        case TValueType::vaBinary:
        case TValueType::vaUTF8String:
            return SkipBytes(stream_.ReadU32());
        case TValueType::vaWString:
            return SkipBytes(static_cast<std::int64_t>(stream_.ReadU32()) * 2);
        case TValueType::vaSet:
            while (std::uint8_t len = stream_.ReadU8()) SkipBytes(len);
            return;
        case TValueType::vaCollection: {
            TNestingGuard guard(*this);
            while (!EndOfList()) {
                TValueType n = NextValue();
                if (n == TValueType::vaInt8 || n == TValueType::vaInt16 || n == TValueType::vaInt32) ReadInteger();
                ReadListBegin();
                while (!EndOfList()) {
                    ReadStr();
                    SkipValue();
                }
                ReadListEnd();
            }
            ReadListEnd();
            return;
        }
    }
}

TObjectHeader TReader::ReadHeader() {
    TObjectHeader h;
    std::int64_t pos = stream_.Position();
    std::uint8_t b = stream_.ReadU8();
    if ((b & 0xF0) == 0xF0) {
        h.HasPrefix = true;
        h.Prefix = b;
        h.Flags = b & 0x0F;
        if (h.Flags & ffChildPos) {
            TValueType t = ReadValue();
            if (t != TValueType::vaInt8 && t != TValueType::vaInt16 && t != TValueType::vaInt32) InvalidValue();
            h.PosType = t;
            h.ChildPos = static_cast<std::int32_t>(ReadIntPayload(t));
        }
    } else {
        stream_.SetPosition(pos);
    }
    h.ClassName = ReadStr();
    h.ObjectName = ReadStr();
    return h;
}

// ---- TWriter ---------------------------------------------------------------------------------

void TWriter::WriteSignature() { stream_.WriteBuffer("TPF0", 4); }

void TWriter::WriteInteger(std::int64_t v) {
    if (v >= INT8_MIN && v <= INT8_MAX) {
        WriteValue(TValueType::vaInt8);
        stream_.WriteU8(static_cast<std::uint8_t>(v));
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
        WriteValue(TValueType::vaInt16);
        stream_.WriteU16(static_cast<std::uint16_t>(v));
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        WriteValue(TValueType::vaInt32);
        stream_.WriteU32(static_cast<std::uint32_t>(v));
    } else {
        WriteValue(TValueType::vaInt64);
        stream_.WriteU64(static_cast<std::uint64_t>(v));
    }
}

void TWriter::WriteString(const AnsiString& text) {
    if (text.size() <= 255) {
        WriteValue(TValueType::vaString);
        WriteStr(text);
    } else {
        if (text.size() > UINT32_MAX) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
        WriteValue(TValueType::vaLString);
        stream_.WriteU32(static_cast<std::uint32_t>(text.size()));
        stream_.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
    }
}

void TWriter::WriteWideString(const WideString& text) {
    if (text.size() > UINT32_MAX / 2) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
    WriteValue(TValueType::vaWString);
    stream_.WriteU32(static_cast<std::uint32_t>(text.size()));
    rtl::WriteWideChars(stream_, text);
}

void TWriter::WriteUTF8String(std::span<const std::uint8_t> bytes) {
    WriteValue(TValueType::vaUTF8String);
    stream_.WriteU32(static_cast<std::uint32_t>(bytes.size()));
    stream_.WriteBytes(bytes);
}

void TWriter::WriteIdent(const AnsiString& ident) {
    auto same = [&](const char* s) {
        if (ident.size() != std::strlen(s)) return false;
        for (std::size_t i = 0; i < ident.size(); ++i) {
            char a = ident[i], b = s[i];
            if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
            if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
            if (a != b) return false;
        }
        return true;
    };
    if (same("False"))
        WriteValue(TValueType::vaFalse);
    else if (same("True"))
        WriteValue(TValueType::vaTrue);
    else if (same("nil"))
        WriteValue(TValueType::vaNil);
    else if (same("Null"))
        WriteValue(TValueType::vaNull);
    else {
        WriteValue(TValueType::vaIdent);
        WriteStr(ident);
    }
}

void TWriter::WriteFloat(long double value) { WriteExtended(LongDoubleToExtended(value)); }

void TWriter::WriteExtended(const TExtendedBytes& bytes) {
    WriteValue(TValueType::vaExtended);
    stream_.WriteBuffer(bytes.data(), 10);
}

void TWriter::WriteSingle(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    WriteValue(TValueType::vaSingle);
    stream_.WriteU32(bits);
}

void TWriter::WriteDouble(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    WriteValue(TValueType::vaDouble);
    stream_.WriteU64(bits);
}

void TWriter::WriteCurrency(std::int64_t scaled) {
    WriteValue(TValueType::vaCurrency);
    stream_.WriteU64(static_cast<std::uint64_t>(scaled));
}

void TWriter::WriteDate(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    WriteValue(TValueType::vaDate);
    stream_.WriteU64(bits);
}

void TWriter::WriteBinary(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > UINT32_MAX) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
    WriteValue(TValueType::vaBinary);
    stream_.WriteU32(static_cast<std::uint32_t>(bytes.size()));
    stream_.WriteBytes(bytes);
}

void TWriter::WriteSet(const std::vector<AnsiString>& names) {
    WriteValue(TValueType::vaSet);
    for (const auto& n : names)
        if (!n.empty()) WriteStr(n);
    stream_.WriteU8(0);
}

void TWriter::WriteStr(const AnsiString& text) {
    if (text.size() > 255) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
    stream_.WriteU8(static_cast<std::uint8_t>(text.size()));
    stream_.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

void TWriter::WriteHeader(std::uint8_t flags, std::int32_t childPos, const AnsiString& className,
                          const AnsiString& objectName) {
    // A class name of 240 characters or more would read back as a prefix byte.
    if (className.size() >= 0xF0) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
    if (flags != 0) {
        stream_.WriteU8(static_cast<std::uint8_t>(0xF0 | (flags & 0x0F)));
        if (flags & ffChildPos) WriteInteger(childPos);
    }
    WriteStr(className);
    WriteStr(objectName);
}

void TWriter::WritePropName(const AnsiString& name) {
    AnsiString full;
    for (const auto& p : path_) full += p + ".";
    WriteStr(full + name);
}

void TWriter::PushPropPath(const AnsiString& name) { path_.push_back(name); }

void TWriter::PopPropPath() {
    if (!path_.empty()) path_.pop_back();
}

}  // namespace rtti
