#pragma once
// LZK: our own small LZ77-style byte-stream compression. Language files travel LZK-compressed
// inside the language pack, may lie compressed on disk, and module images may be compressed too.
//
// Stream layout: "LZK00", four header bytes kept verbatim, then tokens up to the end of the
// stream (no end marker, no length, no checksum):
//   literal run  byte 2*n (n = 0..127), then n bytes
//   match        16-bit little-endian word w with bit 0 set: distance (w & 0x0FFF) >> 1,
//                length (w >> 12) + 3; the bytes are copied one at a time, so a distance below
//                the length repeats a pattern.
// Matches reach back at most 2047 bytes. The encoder keeps a circular window of 2048 bytes with a
// look-ahead of up to 127; the decoder's window is wider (8192) so its copies can move whole
// chunks. The compressor is deterministic: the pack we ship holds exactly what it produces, so
// its match search must not change.
//
// Memory is fixed whatever the stream size: the windows, the position lists and a few block
// buffers for reading and writing the streams in large pieces.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"

namespace langdata {

VLMRK_DECLARE_EXCEPTION(EKCompressError, rtl::Exception);

VLMRK_RESSTRING(SKCSourceNotDefined, 65145, "kcompress", "Source stream is not defined");
VLMRK_RESSTRING(SKCDestNotDefined, 65146, "kcompress", "Destination stream is not defined");
VLMRK_RESSTRING(SKCWrongStreamFormat, 65147, "kcompress", "Wrong stream format");

using TKCompressHeader = std::array<std::uint8_t, 4>;
// Progress: sender, bytes of the source consumed so far, source size (both clamped to 32 bits).
using TKProgressEvent = std::function<void(rtl::TObject* sender, std::int32_t position, std::int32_t size)>;

inline constexpr std::uint8_t kLZKMagic[5] = {'L', 'Z', 'K', '0', '0'};
inline constexpr int kLZKHeaderSize = 9;

// ---- Windows ---------------------------------------------------------------------------------

// A circular byte window. Window offset i (0 = oldest byte) lives at buffer index
// (Start + i) mod Capacity; the buffer never moves.
class TSlideWindow : public rtl::TObject {
public:
    explicit TSlideWindow(std::int32_t capacity);

    // Size grows by count; when it passes Capacity the excess oldest bytes leave the window.
    virtual void Extend(std::int32_t count);

    std::int32_t BufferIndex(std::int32_t offset) const { return StepIndex(start_, offset); }
    std::int32_t StepIndex(std::int32_t index, std::int32_t count) const {
        std::int64_t i = (static_cast<std::int64_t>(index) + count) % capacity_;
        return static_cast<std::int32_t>(i < 0 ? i + capacity_ : i);
    }
    std::uint8_t ByteAt(std::int32_t offset) const { return data_[static_cast<std::size_t>(BufferIndex(offset))]; }
    void DropFront(std::int32_t count);

    std::int32_t Start() const { return start_; }
    std::int32_t Capacity() const { return capacity_; }
    // Absolute stream position of the oldest byte: how many bytes have left the window.
    std::int64_t GlobalStart() const { return globalStart_; }
    std::int32_t Size() const { return size_; }
    const std::uint8_t* Data() const { return data_.get(); }

protected:
    // Bytes allocated past Capacity; subclasses may keep a copy of the buffer's first bytes
    // there so that short reads across the wrap point need no index arithmetic.
    TSlideWindow(std::int32_t capacity, std::int32_t slack);

    std::int32_t start_ = 0;
    std::int32_t capacity_;
    std::int64_t globalStart_ = 0;
    std::int32_t size_ = 0;
    std::unique_ptr<std::uint8_t[]> data_;
};

// A circular list of stream positions. Positions are 64-bit so streams past 2 GiB never wrap
// them; entries never straddle the wrap point because Start moves in whole entries.
class TPositionsList final : public TSlideWindow {
public:
    static constexpr std::int32_t kEntrySize = 8;
    explicit TPositionsList(std::int32_t count) : TSlideWindow(count * kEntrySize) {}

    std::int32_t Count() const { return size_ / kEntrySize; }
    std::int32_t MaxCount() const { return capacity_ / kEntrySize; }
    // 0 = oldest. No range check: callers stay below Count().
    std::int64_t Item(std::int32_t index) const;
    // Stores after the newest entry; a full list drops its oldest entry.
    void Add(std::int64_t value);
    // Drops the n oldest entries; does nothing when fewer than n are held.
    void DeleteFirst(std::int32_t n);
};

// The positions already passed by the encoder, one list of the 40 newest per byte value.
class TLZDictionary : public rtl::TObject {
public:
    static constexpr std::int32_t kListSize = 40;
    TLZDictionary();
    void AddPosition(std::uint8_t value, std::int64_t position) { Lists[value]->Add(position); }
    std::array<std::unique_ptr<TPositionsList>, 256> Lists;
};

// The LZ window of both sides. The encoder's holds recent input and a look-ahead of up to
// MaxLookahead bytes not yet encoded; the decoder's holds the most recent output.
class TLZSlideWindow final : public TSlideWindow {
public:
    TLZSlideWindow(std::int32_t capacity, std::int32_t maxLookahead, std::int32_t maxMatch, bool decoding);

    void Extend(std::int32_t count) override;

    std::int32_t MaxMatch() const { return maxMatch_; }
    std::int32_t MaxLookahead() const { return maxLookahead_; }
    std::int32_t LookaheadStart() const { return lookaheadStart_; }
    bool Decoding() const { return decoding_; }
    TLZDictionary& Dictionary() { return *dictionary_; }

    std::int32_t LookaheadSize() const { return size_ - lookaheadStart_; }
    std::uint8_t LookaheadByte(std::int32_t i) const { return ByteAt(lookaheadStart_ + i); }

    // Appends n bytes after the newest byte (overwriting the oldest when full), then Extend(n).
    // Answers the bytes actually appended (fewer when the stream ends early).
    std::int32_t ReadFrom(rtl::TStream& stream, std::int32_t n);
    void ReadFrom(const std::uint8_t* bytes, std::int32_t n);
    // Writes min(n, Size) bytes starting at window offset `offset` (two writes when they wrap).
    void WriteTail(rtl::TStream& stream, std::int32_t offset, std::int32_t n);

    // Encoder: tops the look-ahead up to MaxLookahead from `available` bytes; answers how many
    // bytes it took.
    std::int32_t Fill(const std::uint8_t* available, std::int32_t availableCount);
    // The same straight from a stream, at its position.
    std::int32_t Fill(rtl::TStream& source);
    // Encoder: records the positions of the next `count` look-ahead bytes and moves past them.
    void Advance(std::int32_t count);
    // Encoder: the longest match for the look-ahead among the candidates (see kcompress.cpp).
    bool FindMatch(std::int32_t& distance, std::int32_t& length);

    // Decoder: appends the `length` bytes that start `distance` bytes before the newest end,
    // one at a time. Bytes before the start of the output read as zero, and so does a distance
    // of 0 (it points at no byte already output); a damaged distance only ever reads inside the
    // window. The bytes are not written anywhere.
    void CopyMatch(std::int32_t distance, std::int32_t length);
    // Decoder: CopyMatch, then the bytes go to `dest`.
    void CopyMatch(std::int32_t distance, std::int32_t length, rtl::TStream& dest);

    // The most bytes one token takes (a literal run of 127).
    static constexpr std::int32_t kMaxTokenBytes = 128;
    // Input the decoder's hot loop wants in front of a token: the longest token and a chunk.
    static constexpr std::int32_t kDecodeMargin = kMaxTokenBytes + 32;
    // Decoder: decodes whole tokens from [p, end), at most maxTokens, while at least
    // kDecodeMargin bytes remain, so no token is cut. `pending` counts the newest bytes not yet
    // written to dest; they are written, oldest first, before new bytes would overwrite them.
    // Answers where decoding stopped.
    const std::uint8_t* DecodeTokens(const std::uint8_t* p, const std::uint8_t* end, std::int64_t maxTokens,
                                     rtl::TStream& dest, std::int32_t& pending);

private:
    static constexpr std::int32_t kMirror = 32;
    static constexpr int kHashBits = 12;

    void StoreBytes(std::int32_t index, const std::uint8_t* bytes, std::int32_t n);
    void InsertHash(std::int64_t position, std::int32_t offset);
    std::uint32_t HashAt(std::int32_t bufferIndex) const;

    std::int32_t maxMatch_;
    std::int32_t maxLookahead_;
    std::unique_ptr<TLZDictionary> dictionary_;
    std::int32_t lookaheadStart_ = 0;
    bool decoding_;
    // Encoder only: chains of passed positions that share their first three bytes, newest first.
    // They only skip candidates of the byte lists that cannot reach three bytes; which match
    // is chosen is decided by the lists alone.
    std::unique_ptr<std::int64_t[]> chainHead_;
    std::unique_ptr<std::int64_t[]> chainPrev_;
};

// ---- Compressors -----------------------------------------------------------------------------

class TKCompressor : public rtl::TObject {
public:
    TKCompressor(rtl::TStream* source, rtl::TStream* dest, TKProgressEvent onProgress = {});

    rtl::TStream* Source;
    rtl::TStream* Dest;
    TKProgressEvent OnProgress;
    TKCompressHeader HeaderData{};

    virtual void ReadHeader() = 0;
    virtual void WriteHeader() = 0;
    virtual void DoCompress() = 0;
    virtual void DoDecompress() = 0;
    virtual void DoProgress(std::int32_t position, std::int32_t size);

    // Checks both streams (source first), then ReadHeader and DoDecompress.
    void Decompress();
    // Checks both streams (source first), then WriteHeader and DoCompress.
    void Compress();

protected:
    void CheckStreams() const;
};

class TLZKCompressor : public TKCompressor {
public:
    using TKCompressor::TKCompressor;

    // Reads 5 bytes from Source; when they are "LZK00" and 4 more follow, those go to
    // headerData and the answer is true. A stream that ends inside the header is not LZK.
    bool TestHeader(TKCompressHeader& headerData);

    void ReadHeader() override;
    void WriteHeader() override;
    void DoCompress() override;
    void DoDecompress() override;
};

// ---- Stream functions ------------------------------------------------------------------------

// True when the stream starts, at its position, with an LZK header. The position is kept.
bool IsLZKStream(rtl::TStream& stream);

// Decompresses the whole of source (from position 0) into dest at dest's position.
// A stream not starting with "LZK00" raises EKCompressError "Wrong stream format". Damaged
// tokens never make the decoder leave its buffers: a match reaching before the first byte, or
// with distance 0, gives zeros (docs/formats/lzk.md); a token cut off by the end of the source is
// dropped (the bytes of a cut-off literal run that are there are kept).
void DecompressLZKStream(rtl::TStream& source, rtl::TStream& dest, TKProgressEvent onProgress = {});

// Compresses the whole of source (from position 0) into dest at dest's position.
void CompressLZKStream(rtl::TStream& source, rtl::TStream& dest, const TKCompressHeader& headerData = {0, 0, 0, 0});

}  // namespace langdata
