#pragma once
// Value-level reading and writing of form streams (signature "TPF0").
//
// A form stream is the signature, then one object: an optional prefix byte 0xF0..0xFF whose low
// four bits are flags (1 inherited, 2 child position follows as an integer value, 4 inline), the
// class name and the object name as short strings, properties (a short-string name and a value
// each) up to a 0 byte, child objects up to a 0 byte. A value is a type byte (TValueType) and
// its payload; integers are little-endian.
//
// TReader and TWriter work value by value, so a caller can copy a stream while rewriting some of
// its values (the form processor does). Everything read is checked against the bytes left; a bad
// stream raises EReadError, never reads past the end and never allocates more than the stream
// holds. Lists, collections and objects nest at most kMaxNesting deep.

#include <array>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace rtti {

using rtl::AnsiString;
using rtl::WideString;
class TPersistent;

enum class TValueType : std::uint8_t {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};
inline constexpr int kMaxValueType = 21;
inline constexpr int kMaxNesting = 64;

// Object header flags.
inline constexpr std::uint8_t ffInherited = 1;
inline constexpr std::uint8_t ffChildPos = 2;
inline constexpr std::uint8_t ffInline = 4;

// 80-bit extended floats (8-byte mantissa with explicit integer bit, then sign and 15-bit
// exponent), converted without relying on the compiler's long double layout.
using TExtendedBytes = std::array<std::uint8_t, 10>;
long double ExtendedToLongDouble(const TExtendedBytes& bytes);
TExtendedBytes LongDoubleToExtended(long double value);

// The header of an object in a stream.
struct TObjectHeader {
    bool HasPrefix = false;
    std::uint8_t Prefix = 0;  // the whole prefix byte, when HasPrefix
    std::uint8_t Flags = 0;   // Prefix & 0x0F
    TValueType PosType = TValueType::vaInt8;  // encoding of the child position
    std::int32_t ChildPos = -1;
    AnsiString ClassName;
    AnsiString ObjectName;
};

class TReader {
public:
    explicit TReader(rtl::TStream& stream) : stream_(stream) {}

    rtl::TStream& Stream() { return stream_; }
    std::int64_t Position() { return stream_.Position(); }

    // Raises EReadError "Invalid stream format" unless the next four bytes are "TPF0".
    void ReadSignature();

    // The next value type, consumed / not consumed. A code above 21 raises EReadError
    // "Unknown value type %d"; the end of the stream raises the stream read error.
    TValueType ReadValue();
    TValueType NextValue();
    // True when the next byte is the 0 that ends a list (without consuming it).
    bool EndOfList();
    void ReadListBegin();  // vaList
    void ReadListEnd();    // the 0 byte

    // Typed values; a value of another type raises EReadError "Invalid property value".
    std::int32_t ReadInteger();  // vaInt8, vaInt16, vaInt32
    std::int64_t ReadInt64();    // those and vaInt64
    bool ReadBoolean();          // vaFalse, vaTrue
    double ReadFloat();          // every float type, currency, date and the integers
    // 8-bit and wide strings of every kind; the other width is converted (rtti::WideToAnsi /
    // AnsiToWide with `target`). UTF-8 strings are decoded first.
    AnsiString ReadString(const TPersistent* target = nullptr);
    WideString ReadWideString(const TPersistent* target = nullptr);
    // vaIdent, and vaFalse / vaTrue / vaNil / vaNull as "False", "True", "nil", "Null".
    AnsiString ReadIdent();
    std::vector<std::uint8_t> ReadBinary();
    std::vector<AnsiString> ReadSet();  // vaSet: the element names

    // Skips one value of any type, nested values included.
    void SkipValue();

    // Payloads, after ReadValue has given their type.
    std::int64_t ReadIntPayload(TValueType type);  // vaInt8 .. vaInt32, vaInt64
    AnsiString ReadStr();                          // a short string (length byte)
    AnsiString ReadLStrPayload();                  // 4-byte length, 8-bit characters
    WideString ReadWStrPayload();                  // 4-byte length, UTF-16 units
    TExtendedBytes ReadExtendedPayload();
    std::vector<std::uint8_t> ReadBinaryPayload();  // also the UTF-8 string payload
    std::vector<AnsiString> ReadSetPayload();

    // The object header: prefix, child position, class name and object name.
    TObjectHeader ReadHeader();

    // Nesting guard for recursive readers: Enter raises EReadError "Form stream nested too
    // deeply" beyond kMaxNesting levels.
    void EnterNesting();
    void LeaveNesting() { --depth_; }

private:
    [[noreturn]] void InvalidValue();
    void SkipBytes(std::int64_t count);

    rtl::TStream& stream_;
    int depth_ = 0;
};

// Keeps one nesting level while in scope.
class TNestingGuard {
public:
    explicit TNestingGuard(TReader& reader) : reader_(reader) { reader_.EnterNesting(); }
    ~TNestingGuard() { reader_.LeaveNesting(); }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

private:
    TReader& reader_;
};

// Writes values in their ordinary encodings.
class TWriter {
public:
    explicit TWriter(rtl::TStream& stream) : stream_(stream) {}

    rtl::TStream& Stream() { return stream_; }

    void WriteSignature();
    void WriteValue(TValueType type) { stream_.WriteU8(static_cast<std::uint8_t>(type)); }
    void WriteListBegin() { WriteValue(TValueType::vaList); }
    void WriteListEnd() { stream_.WriteU8(0); }
    void WriteCollectionBegin() { WriteValue(TValueType::vaCollection); }

    // The smallest of vaInt8, vaInt16, vaInt32 that holds the value; vaInt64 only beyond 32 bits.
    void WriteInteger(std::int64_t value);
    void WriteBoolean(bool value) { WriteValue(value ? TValueType::vaTrue : TValueType::vaFalse); }
    // vaString up to 255 characters, vaLString beyond.
    void WriteString(const AnsiString& text);
    void WriteWideString(const WideString& text);   // vaWString
    void WriteUTF8String(std::span<const std::uint8_t> bytes);
    // "False", "True", "nil" and "Null" (any case) as their own codes, other names as vaIdent.
    void WriteIdent(const AnsiString& ident);
    void WriteFloat(long double value);  // vaExtended
    void WriteExtended(const TExtendedBytes& bytes);
    void WriteSingle(float value);
    void WriteDouble(double value);
    void WriteCurrency(std::int64_t scaledBy10000);
    void WriteDate(double value);
    void WriteBinary(std::span<const std::uint8_t> bytes);
    void WriteSet(const std::vector<AnsiString>& names);

    // A short string: a length byte and the characters. Raises EWriteError beyond 255.
    void WriteStr(const AnsiString& text);
    // The object header (the prefix only when flags are set).
    void WriteHeader(std::uint8_t flags, std::int32_t childPos, const AnsiString& className,
                     const AnsiString& objectName);

    // Property names: written with the dotted path of the objects being written, so that a
    // font's Name comes out as "Font.Name".
    void WritePropName(const AnsiString& name);
    void PushPropPath(const AnsiString& name);
    void PopPropPath();
    // Collection items start a fresh path; these save and restore the current one.
    std::vector<AnsiString> TakePropPath() { return std::exchange(path_, {}); }
    void RestorePropPath(std::vector<AnsiString> path) { path_ = std::move(path); }

private:
    rtl::TStream& stream_;
    std::vector<AnsiString> path_;
};

}  // namespace rtti
