#pragma once
// Packed strings: a length prefix followed by the characters (bytes for 8-bit strings, UTF-16LE
// code units for wide strings). The prefix depends on the format version of the surrounding
// record: up to 5 an unsigned 16-bit count; from 6 on a 1, 2 or 4 byte variable-length count
// (0..127 in one byte, up to 16383 in two, larger in four: two 7-bit groups and a 16-bit rest).
//
// Readers check a length against the bytes left in the stream before allocating, so a hostile
// length raises EReadError instead of reserving memory.

#include <cstdint>

#include "platform/rtl/Streams.h"

namespace rtl {

std::uint32_t ReadPackedLength(TStream& stream, int version);
void WritePackedLength(TStream& stream, std::uint32_t length, int version);

AnsiString ReadPackedString(TStream& stream, int version);
void WritePackedString(TStream& stream, const AnsiString& text, int version);
WideString ReadPackedWideString(TStream& stream, int version);
void WritePackedWideString(TStream& stream, const WideString& text, int version);

// Reads count UTF-16LE code units (count checked against the bytes left, as above).
WideString ReadWideChars(TStream& stream, std::uint32_t count);
void WriteWideChars(TStream& stream, const WideString& text);

}  // namespace rtl
