#include "platform/rtl/PackedStrings.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/RtlConsts.h"

namespace rtl {

namespace {
void RequireRemaining(TStream& stream, std::uint64_t bytes) {
    if (bytes > static_cast<std::uint64_t>(stream.Remaining()))
        throw EReadError(EReadError::CreateRes, SReadError);
}
}  // namespace

std::uint32_t ReadPackedLength(TStream& stream, int version) {
    if (version <= 5) return stream.ReadU16();
    std::uint32_t b0 = stream.ReadU8();
    if ((b0 & 0x80) == 0) return b0;
    std::uint32_t b1 = stream.ReadU8();
    if ((b1 & 0x80) == 0) return (b0 & 0x7F) + b1 * 128;
    std::uint32_t w = stream.ReadU16();
    return (b0 & 0x7F) + (b1 & 0x7F) * 128 + w * 16384;
}

void WritePackedLength(TStream& stream, std::uint32_t length, int version) {
    if (version <= 5) {
        if (length > 0xFFFF) throw EWriteError(EWriteError::CreateRes, SWriteError);
        stream.WriteU16(static_cast<std::uint16_t>(length));
        return;
    }
    if (length <= 127) {
        stream.WriteU8(static_cast<std::uint8_t>(length));
    } else if (length <= 16383) {
        stream.WriteU8(static_cast<std::uint8_t>((length & 0x7F) | 0x80));
        stream.WriteU8(static_cast<std::uint8_t>(length >> 7));
    } else {
        if ((length >> 14) > 0xFFFF) throw EWriteError(EWriteError::CreateRes, SWriteError);
        stream.WriteU8(static_cast<std::uint8_t>((length & 0x7F) | 0x80));
        stream.WriteU8(static_cast<std::uint8_t>(((length >> 7) & 0x7F) | 0x80));
        stream.WriteU16(static_cast<std::uint16_t>(length >> 14));
    }
}

AnsiString ReadPackedString(TStream& stream, int version) {
    std::uint32_t length = ReadPackedLength(stream, version);
    RequireRemaining(stream, length);
    AnsiString text(length, '\0');
    stream.ReadBuffer(text.data(), length);
    return text;
}

void WritePackedString(TStream& stream, const AnsiString& text, int version) {
    WritePackedLength(stream, static_cast<std::uint32_t>(text.size()), version);
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

WideString ReadWideChars(TStream& stream, std::uint32_t count) {
    RequireRemaining(stream, std::uint64_t{count} * 2);
    // One read for the whole string: a read per character cost a virtual call each.
    std::vector<std::uint8_t> bytes(std::size_t{count} * 2);
    stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    WideString text(count, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
}

void WriteWideChars(TStream& stream, const WideString& text) {
    std::vector<std::uint8_t> bytes(text.size() * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 * i] = static_cast<std::uint8_t>(text[i]);
        bytes[2 * i + 1] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    stream.WriteBytes(bytes);
}

WideString ReadPackedWideString(TStream& stream, int version) {
    return ReadWideChars(stream, ReadPackedLength(stream, version));
}

void WritePackedWideString(TStream& stream, const WideString& text, int version) {
    WritePackedLength(stream, static_cast<std::uint32_t>(text.size()), version);
    WriteWideChars(stream, text);
}

}  // namespace rtl
