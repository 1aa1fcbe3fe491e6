#include "langdata/kcompress/LzkDecoder.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace langdata {

namespace {

// The furthest a token's copies reach past the output position: a literal run of 127 copied in
// 16-byte pieces (128), a match copied in three 8-byte pieces (24).
constexpr std::int32_t kOutputMargin = TLzkDecoder::kMaxTokenBytes + 32;

void Copy8(std::uint8_t* d, const std::uint8_t* s) { std::memcpy(d, s, 8); }
void Copy16(std::uint8_t* d, const std::uint8_t* s) { std::memcpy(d, s, 16); }

// What a match of distance 0 copies from: it points at no byte already output, so it reads
// zeros, like a distance before the first byte.
constexpr std::uint8_t kZeros[32] = {};

// Writes a match of 3..18 bytes at a distance below 8: one byte at a time, so the match repeats
// the last `distance` bytes. (A wide load here would read bytes the previous token has just
// stored in wide pieces, and such a load waits for those stores to finish; single bytes are
// passed on from the stores at once. Measured: a pattern built from one 8-byte load and stored
// from a register was a fifth slower than this loop.)
inline void WriteNearMatch(std::uint8_t* o, std::size_t distance, std::size_t n) {
    const std::uint8_t* s = distance == 0 ? kZeros : o - distance;
    for (std::size_t k = 0; k < n; ++k) o[k] = s[k];
}

// Writes a match of 3..18 bytes at a distance of 8 or more (24 bytes are stored). Each piece
// reads only bytes before the piece it writes.
inline void WriteFarMatch(std::uint8_t* o, const std::uint8_t* s) {
    Copy8(o, s);
    Copy8(o + 8, s + 8);
    Copy8(o + 16, s + 16);
}

// Copies a literal run of 0..127 bytes (a multiple of 16 bytes is stored).
inline void WriteLiteral(std::uint8_t* o, const std::uint8_t* s, std::size_t n) {
    Copy16(o, s);
    for (std::size_t k = 16; k < n; k += 16) Copy16(o + k, s + k);
}

}  // namespace

TLzkDecoder::TLzkDecoder(rtl::TStream& dest, std::int32_t blockSize) : dest_(dest) {
    if (blockSize < kHistory) throw std::invalid_argument("TLzkDecoder: block smaller than the history");
    // Zero-filled: a match reaching before the first byte reads zeros.
    const auto size = static_cast<std::size_t>(kHistory) + static_cast<std::size_t>(blockSize) + kOutputMargin;
    buffer_ = std::make_unique<std::uint8_t[]>(size);
    out_ = BlockStart();
    flushAt_ = BlockStart() + blockSize;
}

void TLzkDecoder::Flush(std::uint8_t*& out) {
    dest_.WriteBuffer(BlockStart(), out - BlockStart());
    // The block holds at least kHistory bytes, so the new history lies wholly inside it.
    std::memcpy(buffer_.get(), out - kHistory, kHistory);
    out = BlockStart();
}

void TLzkDecoder::Finish() {
    dest_.WriteBuffer(BlockStart(), out_ - BlockStart());
    out_ = BlockStart();
}

const std::uint8_t* TLzkDecoder::DecodeRun(const std::uint8_t* p, const std::uint8_t* end) {
    if (end - p < kInputMargin) return p;
    const std::uint8_t* const last = end - kInputMargin;
    std::uint8_t* o = out_;
    while (p <= last) {
        if (o >= flushAt_) [[unlikely]]
            Flush(o);
        const std::uint32_t t = p[0];
        if (t & 1) {
            const std::uint32_t w = t | (static_cast<std::uint32_t>(p[1]) << 8);
            const std::size_t distance = (w & 0x0FFF) >> 1;
            const std::size_t n = (w >> 12) + 3;
            p += 2;
            if (distance >= 8) WriteFarMatch(o, o - distance);
            else WriteNearMatch(o, distance, n);
            o += n;
        } else {
            const std::size_t n = t >> 1;
            WriteLiteral(o, p + 1, n);
            p += n + 1;
            o += n;
        }
    }
    out_ = o;
    return p;
}

const std::uint8_t* TLzkDecoder::DecodeOne(const std::uint8_t* p, const std::uint8_t* end) {
    if (out_ >= flushAt_) Flush(out_);
    const std::uint32_t t = *p++;
    if (t & 1) {
        if (p == end) return end;  // the match's second byte is cut off
        const std::uint32_t w = t | (static_cast<std::uint32_t>(*p++) << 8);
        const std::size_t distance = (w & 0x0FFF) >> 1;
        const std::size_t n = (w >> 12) + 3;
        WriteNearMatch(out_, distance, n);  // byte by byte whatever the distance
        out_ += n;
    } else {
        const auto n = std::min<std::size_t>(t >> 1, static_cast<std::size_t>(end - p));
        std::memcpy(out_, p, n);
        out_ += n;
        p += n;
    }
    return p;
}

}  // namespace langdata
