#include "langdata/kcompress/kcompress.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "langdata/kcompress/BlockIO.h"
#include "langdata/kcompress/KCompressor.h"
#include "langdata/kcompress/LzWindow.h"
#include "langdata/kcompress/LzkDecoder.h"

namespace langdata {

namespace {

constexpr std::int32_t kWindowSize = 2048;
constexpr std::int32_t kMaxLookahead = 127;
constexpr std::int32_t kMaxMatch = 18;
constexpr std::int32_t kMaxLiteralRun = 127;

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

// The decoder's output block: output runs to a few times the compressed size, and a block
// holds at least the history.
std::int32_t OutputBlockFor(std::int64_t compressedBytes) {
    return std::max(BlockSizeFor(4 * compressedBytes), TLzkDecoder::kHistory);
}

}  // namespace

// ---- TKCompressor ----------------------------------------------------------------------------

TKCompressor::TKCompressor(rtl::TStream* source, rtl::TStream* dest, TKProgressEvent onProgress)
    : Source(source), Dest(dest), OnProgress(std::move(onProgress)) {}

void TKCompressor::DoProgress(std::int32_t position, std::int32_t size) {
    if (OnProgress) OnProgress(this, position, size);
}

void TKCompressor::CheckStreams() const {
    if (Source == nullptr) throw EKCompressError(EKCompressError::CreateRes, SKCSourceNotDefined);
    if (Dest == nullptr) throw EKCompressError(EKCompressError::CreateRes, SKCDestNotDefined);
}

void TKCompressor::Decompress() {
    CheckStreams();
    ReadHeader();
    DoDecompress();
}

void TKCompressor::Compress() {
    CheckStreams();
    WriteHeader();
    DoCompress();
}

// ---- TLZKCompressor --------------------------------------------------------------------------

bool TLZKCompressor::TestHeader(TKCompressHeader& headerData) {
    std::uint8_t magic[5];
    if (Source->Read(magic, 5) != 5 || std::memcmp(magic, kLZKMagic, 5) != 0) return false;
    TKCompressHeader data;
    if (Source->Read(data.data(), 4) != 4) return false;
    headerData = data;
    return true;
}

void TLZKCompressor::ReadHeader() {
    if (!TestHeader(HeaderData))
        throw EKCompressError(EKCompressError::CreateRes, SKCWrongStreamFormat).WithCode("lzk.header.magic");
}

void TLZKCompressor::WriteHeader() {
    Dest->WriteBuffer(kLZKMagic, 5);
    Dest->WriteBuffer(HeaderData.data(), 4);
}

void TLZKCompressor::DoDecompress() {
    if (auto* memory = dynamic_cast<rtl::TCustomMemoryStream*>(Source)) DecompressInPlace(*memory);
    else DecompressInBlocks();
}

// The source's bytes are already in memory: the decoder reads them where they are.
void TLZKCompressor::DecompressInPlace(rtl::TCustomMemoryStream& source) {
    const std::span<const std::uint8_t> bytes = source.View();
    const std::uint8_t* const begin = bytes.data();
    const std::uint8_t* const end = begin + bytes.size();
    const std::uint8_t* p = begin + std::clamp<std::int64_t>(source.Position(), 0, static_cast<std::int64_t>(bytes.size()));
    const std::int32_t size = Clamp32(static_cast<std::int64_t>(bytes.size()));
    TLzkDecoder decoder(*Dest, OutputBlockFor(end - p));
    if (!OnProgress) p = decoder.DecodeRun(p, end);
    while (p < end) {
        p = decoder.DecodeOne(p, end);
        DoProgress(Clamp32(p - begin), size);
    }
    decoder.Finish();
    source.SetPosition(end - begin);
}

// Any other source is read in blocks; a token never straddles the end of what the reader holds.
void TLZKCompressor::DecompressInBlocks() {
    const std::int64_t sourceSize = Source->Size();
    const std::int64_t remaining = sourceSize - Source->Position();
    TBlockReader in(*Source, BlockSizeFor(remaining));
    TLzkDecoder decoder(*Dest, OutputBlockFor(remaining));
    const std::int32_t size = Clamp32(sourceSize);
    for (;;) {
        if (!OnProgress && in.Ensure(TLzkDecoder::kInputMargin)) {
            in.Skip(static_cast<std::int32_t>(decoder.DecodeRun(in.Ptr(), in.End()) - in.Ptr()));
            continue;
        }
        in.Ensure(TLzkDecoder::kMaxTokenBytes);  // a whole token, unless the stream ends sooner
        if (in.Available() == 0) break;
        in.Skip(static_cast<std::int32_t>(decoder.DecodeOne(in.Ptr(), in.End()) - in.Ptr()));
        DoProgress(Clamp32(in.LogicalPosition()), size);
    }
    decoder.Finish();
}

void TLZKCompressor::DoCompress() {
    TLZSlideWindow window(kWindowSize, kMaxLookahead, kMaxMatch);
    const std::int64_t sourceSize = Source->Size();
    const std::int32_t blockSize = BlockSizeFor(sourceSize - Source->Position());
    TBlockReader in(*Source, blockSize);
    TBlockWriter out(*Dest, blockSize);
    const std::int32_t size = Clamp32(sourceSize);
    std::uint8_t literals[kMaxLiteralRun];
    std::int32_t literalCount = 0;
    auto flushLiterals = [&] {
        std::uint8_t* p = out.Reserve(1 + literalCount);
        p[0] = static_cast<std::uint8_t>(2 * literalCount);
        std::memcpy(p + 1, literals, static_cast<std::size_t>(literalCount));
        out.Commit(1 + literalCount);
        literalCount = 0;
    };

    for (;;) {
        std::int32_t wanted = kMaxLookahead - window.LookaheadSize();
        if (wanted > 0) {
            in.Ensure(wanted);
            in.Skip(window.Fill(in.Ptr(), in.Available()));
        }
        if (window.LookaheadSize() == 0) break;

        std::int32_t distance = 0;
        std::int32_t length = 0;
        if (window.FindMatch(distance, length)) {
            if (literalCount > 0) flushLiterals();
            auto w = static_cast<std::uint16_t>(((length - 3) << 12) | (distance << 1) | 1);
            std::uint8_t* p = out.Reserve(2);
            p[0] = static_cast<std::uint8_t>(w & 0xFF);
            p[1] = static_cast<std::uint8_t>(w >> 8);
            out.Commit(2);
            window.Advance(length);
        } else {
            if (literalCount == kMaxLiteralRun) flushLiterals();
            literals[literalCount++] = window.LookaheadByte(0);
            window.Advance(1);
        }
        DoProgress(Clamp32(in.LogicalPosition()), size);
    }
    if (literalCount > 0) flushLiterals();
    out.Flush();
}

// ---- Stream functions ------------------------------------------------------------------------

bool IsLZKStream(rtl::TStream& stream) {
    std::int64_t position = stream.Position();
    TLZKCompressor compressor(&stream, nullptr);
    TKCompressHeader headerData{};
    bool result = compressor.TestHeader(headerData);
    stream.SetPosition(position);
    return result;
}

void DecompressLZKStream(rtl::TStream& source, rtl::TStream& dest, TKProgressEvent onProgress) {
    source.SetPosition(0);
    TLZKCompressor compressor(&source, &dest, std::move(onProgress));
    compressor.Decompress();
}

void CompressLZKStream(rtl::TStream& source, rtl::TStream& dest, const TKCompressHeader& headerData) {
    source.SetPosition(0);
    TLZKCompressor compressor(&source, &dest);
    compressor.HeaderData = headerData;
    compressor.Compress();
}

}  // namespace langdata
