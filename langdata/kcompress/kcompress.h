#pragma once
// LZK: our own small LZ77-style byte-stream compression. Language files travel LZK-compressed
// inside the language pack, may lie compressed on disk, and module images may be compressed too.
// The stream layout, the compressor's rules and what the reader does with damaged input are
// written down in docs/formats/lzk.md.
//
// This header is what the rest of the program uses: the error, and the three stream functions.
// The compressor classes (KCompressor.h), the encoder's window and dictionary (LzWindow.h) and
// the decoder (LzkDecoder.h) are internal to this folder.
//
// Memory is fixed whatever the stream size: the windows, the position lists and a few block
// buffers for reading and writing the streams in large pieces.

#include <array>
#include <cstdint>
#include <functional>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"

namespace langdata {

VLMRK_DECLARE_EXCEPTION(EKCompressError, rtl::Exception);

VLMRK_RESSTRING(SKCSourceNotDefined, 65145, "kcompress", "Source stream is not defined");
VLMRK_RESSTRING(SKCDestNotDefined, 65146, "kcompress", "Destination stream is not defined");
VLMRK_RESSTRING(SKCWrongStreamFormat, 65147, "kcompress", "Wrong stream format");

// The four bytes after the magic, kept verbatim.
using TKCompressHeader = std::array<std::uint8_t, 4>;
// Progress: sender, bytes of the source consumed so far, source size (both clamped to 32 bits).
using TKProgressEvent = std::function<void(rtl::TObject* sender, std::int32_t position, std::int32_t size)>;

inline constexpr std::uint8_t kLZKMagic[5] = {'L', 'Z', 'K', '0', '0'};
inline constexpr int kLZKHeaderSize = 9;

// True when the stream starts, at its position, with an LZK header. The position is kept.
bool IsLZKStream(rtl::TStream& stream);

// Decompresses the whole of source (from position 0) into dest at dest's position.
// A stream not starting with "LZK00" raises EKCompressError "Wrong stream format". Damaged
// tokens never make the decoder leave its buffers: a match reaching before the first byte, or
// with distance 0, gives zeros (docs/formats/lzk.md); a token cut off by the end of the source is
// dropped (the bytes of a cut-off literal run that are there are kept). A source that keeps its
// bytes in memory is decoded in place; any other is read in blocks.
void DecompressLZKStream(rtl::TStream& source, rtl::TStream& dest, TKProgressEvent onProgress = {});

// Compresses the whole of source (from position 0) into dest at dest's position.
void CompressLZKStream(rtl::TStream& source, rtl::TStream& dest, const TKCompressHeader& headerData = {0, 0, 0, 0});

}  // namespace langdata
