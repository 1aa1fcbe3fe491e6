#include "langdata/kcompress/kcompress.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace langdata {

namespace {

constexpr std::int32_t kWindowSize = 2048;
constexpr std::int32_t kMaxLookahead = 127;
constexpr std::int32_t kMaxMatch = 18;
constexpr std::int32_t kMaxLiteralRun = 127;
constexpr std::int32_t kDecoderWindowSize = 8192;
// Streams are read and written in blocks of this size; the windows themselves stay small.
constexpr std::int32_t kBlockSize = 64 * 1024;
constexpr std::int32_t kMinBlockSize = 4 * 1024;

// Small streams get small blocks: most language files are a few kilobytes.
std::int32_t BlockSizeFor(std::int64_t streamBytes) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(streamBytes, kMinBlockSize, kBlockSize));
}

std::int32_t Clamp32(std::int64_t v) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(v, std::numeric_limits<std::int32_t>::max()));
}

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Length of the common prefix of a and b, at most maxLen (<= 24 bytes are read from each).
std::int32_t CommonPrefix(const std::uint8_t* a, const std::uint8_t* b, std::int32_t maxLen) {
    for (std::int32_t k = 0; k < maxLen; k += 8) {
        std::uint64_t x = Load64(a + k) ^ Load64(b + k);
        if (x != 0) {
            int bits = std::endian::native == std::endian::little ? std::countr_zero(x) : std::countl_zero(x);
            return std::min(k + bits / 8, maxLen);
        }
    }
    return maxLen;
}

// Copies 0..16 bytes, or 16..18 (a match), with a few fixed-size moves instead of a call. All
// loads happen before the stores, so a source that lies ahead of an overlapping destination
// copies as if byte by byte.
inline void CopySmall(std::uint8_t* d, const std::uint8_t* s, std::int32_t n) {
    if (n >= 16) {
        std::uint8_t a[16], b[16];
        std::memcpy(a, s, 16);
        std::memcpy(b, s + n - 16, 16);
        std::memcpy(d, a, 16);
        std::memcpy(d + n - 16, b, 16);
    } else if (n >= 8) {
        std::uint64_t a, b;
        std::memcpy(&a, s, 8);
        std::memcpy(&b, s + n - 8, 8);
        std::memcpy(d, &a, 8);
        std::memcpy(d + n - 8, &b, 8);
    } else if (n >= 4) {
        std::uint32_t a, b;
        std::memcpy(&a, s, 4);
        std::memcpy(&b, s + n - 4, 4);
        std::memcpy(d, &a, 4);
        std::memcpy(d + n - 4, &b, 4);
    } else if (n >= 2) {
        std::uint16_t a, b;
        std::memcpy(&a, s, 2);
        std::memcpy(&b, s + n - 2, 2);
        std::memcpy(d, &a, 2);
        std::memcpy(d + n - 2, &b, 2);
    } else if (n == 1) {
        d[0] = s[0];
    }
}

// Copies up to 127 bytes between separate buffers.
inline void CopyLiteral(std::uint8_t* d, const std::uint8_t* s, std::int32_t n) {
    if (n <= 16) {
        CopySmall(d, s, n);
        return;
    }
    std::int32_t i = 0;
    for (; i + 16 <= n; i += 16) std::memcpy(d + i, s + i, 16);
    if (i < n) std::memcpy(d + n - 16, s + n - 16, 16);
}

// Reads a stream in large blocks and hands the bytes out in small pieces.
class TBlockReader {
public:
    TBlockReader(rtl::TStream& stream, std::int32_t blockSize)
        : stream_(stream),
          buf_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize))),
          blockSize_(blockSize),
          base_(stream.Position()) {}

    std::int32_t Available() const { return len_ - pos_; }
    const std::uint8_t* Ptr() const { return buf_.get() + pos_; }
    std::uint8_t Next() { return buf_[static_cast<std::size_t>(pos_++)]; }
    void Skip(std::int32_t n) { pos_ += n; }
    // Position in the stream of the next byte handed out.
    std::int64_t LogicalPosition() const { return base_ + pos_; }

    // Makes at least n (<= the block size) bytes available when the stream still has them.
    bool Ensure(std::int32_t n) {
        if (len_ - pos_ >= n) return true;
        if (eof_) return false;
        return Refill(n);
    }

private:
    bool Refill(std::int32_t n) {
        std::int32_t left = len_ - pos_;
        if (left > 0) std::memmove(buf_.get(), buf_.get() + pos_, static_cast<std::size_t>(left));
        base_ += pos_;
        pos_ = 0;
        len_ = left;
        while (len_ < n && !eof_) {
            std::int64_t got = stream_.Read(buf_.get() + len_, blockSize_ - len_);
            if (got <= 0) eof_ = true;
            else len_ += static_cast<std::int32_t>(got);
        }
        return len_ >= n;
    }

    rtl::TStream& stream_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::int32_t blockSize_;
    std::int64_t base_;
    std::int32_t pos_ = 0;
    std::int32_t len_ = 0;
    bool eof_ = false;
};

// Collects small writes and passes them on in large blocks.
class TBlockWriter {
public:
    TBlockWriter(rtl::TStream& stream, std::int32_t blockSize)
        : stream_(stream),
          buf_(std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(blockSize))),
          blockSize_(blockSize) {}

    // Room for at least n (<= 256) more bytes.
    std::uint8_t* Reserve(std::int32_t n) {
        if (blockSize_ - len_ < n) Flush();
        return buf_.get() + len_;
    }
    void Commit(std::int32_t n) { len_ += n; }
    void Flush() {
        if (len_ > 0) stream_.WriteBuffer(buf_.get(), len_);
        len_ = 0;
    }

private:
    rtl::TStream& stream_;
    std::unique_ptr<std::uint8_t[]> buf_;
    std::int32_t blockSize_;
    std::int32_t len_ = 0;
};

}  // namespace

// ---- TSlideWindow ----------------------------------------------------------------------------

TSlideWindow::TSlideWindow(std::int32_t capacity) : TSlideWindow(capacity, 0) {}

TSlideWindow::TSlideWindow(std::int32_t capacity, std::int32_t slack) : capacity_(capacity) {
    if (capacity <= 0 || slack < 0) throw std::invalid_argument("TSlideWindow: bad capacity");
    // Zero-filled: a damaged stream that reaches before the first byte reads zeros.
    data_ = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(capacity) + static_cast<std::size_t>(slack));
}

void TSlideWindow::Extend(std::int32_t count) {
    size_ += count;
    if (size_ > capacity_) {
        std::int32_t excess = size_ - capacity_;
        start_ += excess;
        if (start_ >= capacity_) start_ = StepIndex(start_, 0);
        globalStart_ += excess;
        size_ = capacity_;
    }
}

void TSlideWindow::DropFront(std::int32_t count) {
    count = std::clamp(count, 0, size_);
    start_ = StepIndex(start_, count);
    globalStart_ += count;
    size_ -= count;
}

// ---- TPositionsList --------------------------------------------------------------------------

std::int64_t TPositionsList::Item(std::int32_t index) const {
    std::int64_t v;
    std::memcpy(&v, data_.get() + BufferIndex(index * kEntrySize), sizeof v);
    return v;
}

void TPositionsList::Add(std::int64_t value) {
    std::int32_t index = start_ + size_;
    if (index >= capacity_) index -= capacity_;
    std::memcpy(data_.get() + index, &value, sizeof value);
    TSlideWindow::Extend(kEntrySize);
}

void TPositionsList::DeleteFirst(std::int32_t n) {
    if (n > 0 && n <= Count()) DropFront(n * kEntrySize);
}

// ---- TLZDictionary ---------------------------------------------------------------------------

TLZDictionary::TLZDictionary() {
    for (auto& list : Lists) list = std::make_unique<TPositionsList>(kListSize);
}

// ---- TLZSlideWindow --------------------------------------------------------------------------

TLZSlideWindow::TLZSlideWindow(std::int32_t capacity, std::int32_t maxLookahead, std::int32_t maxMatch,
                               bool decoding)
    : TSlideWindow(capacity, kMirror), maxMatch_(maxMatch), maxLookahead_(maxLookahead), decoding_(decoding) {
    // The index arithmetic below masks with capacity - 1, and match comparisons read at most 24
    // bytes past an index, which the mirror covers.
    if (!std::has_single_bit(static_cast<std::uint32_t>(capacity)) || capacity < 2 * kMirror || maxMatch < 1 ||
        maxMatch > 24 || maxLookahead < 0 || maxLookahead >= capacity - maxMatch)
        throw std::invalid_argument("TLZSlideWindow: bad geometry");
    if (!decoding) {
        dictionary_ = std::make_unique<TLZDictionary>();
        chainHead_ = std::make_unique<std::int64_t[]>(std::size_t{1} << kHashBits);
        chainPrev_ = std::make_unique<std::int64_t[]>(static_cast<std::size_t>(capacity));
        std::fill_n(chainHead_.get(), std::size_t{1} << kHashBits, -1);
        std::fill_n(chainPrev_.get(), capacity, -1);
    }
}

void TLZSlideWindow::Extend(std::int32_t count) {
    std::int32_t excess = size_ + count - capacity_;
    if (!decoding_ && excess > 0) lookaheadStart_ -= excess;
    TSlideWindow::Extend(count);
}

void TLZSlideWindow::StoreBytes(std::int32_t index, const std::uint8_t* bytes, std::int32_t n) {
    std::int32_t first = std::min(n, capacity_ - index);
    std::memcpy(data_.get() + index, bytes, static_cast<std::size_t>(first));
    if (n > first) std::memcpy(data_.get(), bytes + first, static_cast<std::size_t>(n - first));
    // Keep the copy of the first bytes behind the end current.
    if (n > first || index < kMirror) std::memcpy(data_.get() + capacity_, data_.get(), kMirror);
}

void TLZSlideWindow::ReadFrom(const std::uint8_t* bytes, std::int32_t n) {
    // More than a window's worth: only the last Capacity bytes stay.
    while (n > 0) {
        std::int32_t piece = std::min(n, capacity_);
        std::int32_t index = (start_ + size_) & (capacity_ - 1);
        StoreBytes(index, bytes, piece);
        Extend(piece);
        bytes += piece;
        n -= piece;
    }
}

std::int32_t TLZSlideWindow::ReadFrom(rtl::TStream& stream, std::int32_t n) {
    std::int32_t total = 0;
    while (n > 0) {
        std::int32_t index = (start_ + size_) & (capacity_ - 1);
        std::int32_t piece = std::min(n, capacity_ - index);
        auto got = static_cast<std::int32_t>(stream.Read(data_.get() + index, piece));
        if (got <= 0) break;
        if (index < kMirror) std::memcpy(data_.get() + capacity_, data_.get(), kMirror);
        Extend(got);
        total += got;
        n -= got;
    }
    return total;
}

void TLZSlideWindow::WriteTail(rtl::TStream& stream, std::int32_t offset, std::int32_t n) {
    offset = std::clamp(offset, 0, size_);
    n = std::clamp(n, 0, size_ - offset);
    if (n == 0) return;
    std::int32_t index = BufferIndex(offset);
    std::int32_t first = std::min(n, capacity_ - index);
    stream.WriteBuffer(data_.get() + index, first);
    if (n > first) stream.WriteBuffer(data_.get(), n - first);
}

std::int32_t TLZSlideWindow::Fill(const std::uint8_t* available, std::int32_t availableCount) {
    std::int32_t n = std::min(maxLookahead_ - LookaheadSize(), availableCount);
    if (n <= 0) return 0;
    ReadFrom(available, n);
    return n;
}

std::int32_t TLZSlideWindow::Fill(rtl::TStream& source) {
    std::int32_t n = maxLookahead_ - LookaheadSize();
    return n > 0 ? ReadFrom(source, n) : 0;
}

std::uint32_t TLZSlideWindow::HashAt(std::int32_t bufferIndex) const {
    const std::uint8_t* p = data_.get() + bufferIndex;
    std::uint32_t v = p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
    return (v * 2654435761u) >> (32 - kHashBits);
}

void TLZSlideWindow::InsertHash(std::int64_t position, std::int32_t offset) {
    std::uint32_t h = HashAt((start_ + offset) & (capacity_ - 1));
    chainPrev_[static_cast<std::size_t>(position & (capacity_ - 1))] = chainHead_[h];
    chainHead_[h] = position;
}

void TLZSlideWindow::Advance(std::int32_t count) {
    if (decoding_) {
        lookaheadStart_ += count;
        return;
    }
    const std::int32_t mask = capacity_ - 1;
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t offset = lookaheadStart_ + i;
        std::int64_t position = globalStart_ + offset;
        dictionary_->AddPosition(data_[static_cast<std::size_t>((start_ + offset) & mask)], position);
        InsertHash(position, offset);
    }
    lookaheadStart_ += count;
}

// The candidates are the positions in the list of the first look-ahead byte (its 40 newest
// occurrences) that are still inside the window, newest first. A candidate's length is how far
// it agrees with the look-ahead, at most MaxMatch and the look-ahead size; only a strictly
// longer match replaces the best, so among equal lengths the nearest wins, and the search stops
// at the first match longer than 8 bytes.
//
// A candidate shorter than 3 bytes never counts, so only candidates that share the first three
// bytes need a look: the three-byte chains give exactly those, in the same newest-first order,
// and the list decides how far back they may go. Entries that left the window are skipped; the
// lists themselves never need pruning, as a full list drops its oldest entry on every add.
bool TLZSlideWindow::FindMatch(std::int32_t& distance, std::int32_t& length) {
    std::int32_t lookahead = LookaheadSize();
    if (decoding_ || lookahead < 3) return false;
    const std::int32_t mask = capacity_ - 1;
    const std::int32_t aheadIndex = (start_ + lookaheadStart_) & mask;
    const TPositionsList& list = *dictionary_->Lists[data_[static_cast<std::size_t>(aheadIndex)]];
    std::int64_t limit = globalStart_;
    if (list.Count() == list.MaxCount()) limit = std::max(limit, list.Item(0));
    const std::int32_t maxLen = std::min(lookahead, maxMatch_);
    const std::uint8_t* ahead = data_.get() + aheadIndex;

    std::int32_t best = 0;
    for (std::int64_t p = chainHead_[HashAt(aheadIndex)]; p >= limit; p = chainPrev_[static_cast<std::size_t>(p & mask)]) {
        auto o = static_cast<std::int32_t>(p - globalStart_);
        std::int32_t m = CommonPrefix(data_.get() + ((start_ + o) & mask), ahead, maxLen);
        if (m >= 3 && m > best) {
            best = m;
            distance = lookaheadStart_ - o;
            if (best > 8) break;
        }
    }
    if (best == 0) return false;
    length = best;
    return true;
}

void TLZSlideWindow::CopyMatch(std::int32_t distance, std::int32_t length) {
    const std::int32_t mask = capacity_ - 1;
    const std::int32_t dst = (start_ + size_) & mask;
    const std::int32_t src = (dst - distance) & mask;
    std::uint8_t* d = data_.get();
    if (distance == 0) {
        // Points at no byte already output: reads zeros, like a distance before the first byte.
        for (std::int32_t i = 0; i < length; ++i) d[(dst + i) & mask] = 0;
    } else if (dst + length <= capacity_ && src + length <= capacity_) {
        // Neither range wraps. A source at or behind the whole destination (or ahead of it,
        // which only a damaged distance gives) copies like memmove; a short distance repeats
        // a pattern and must go byte by byte.
        if (distance >= length || src > dst) {
            std::memmove(d + dst, d + src, static_cast<std::size_t>(length));
        } else {
            for (std::int32_t i = 0; i < length; ++i) d[dst + i] = d[src + i];
        }
    } else {
        for (std::int32_t i = 0; i < length; ++i) d[(dst + i) & mask] = d[(src + i) & mask];
    }
    if (dst < kMirror || dst + length > capacity_) std::memcpy(d + capacity_, d, kMirror);
    Extend(length);
}

const std::uint8_t* TLZSlideWindow::DecodeTokens(const std::uint8_t* p, const std::uint8_t* end,
                                                 std::int64_t maxTokens, rtl::TStream& dest, std::int32_t& pending) {
    // The hot loop of the decoder, on locals. Copies go in whole chunks of 8 or 16 bytes and may
    // write up to 128 bytes past the token's end: those are bytes not output yet (they are
    // overwritten by the next tokens), and in a window of at least 4096 bytes they lie farther
    // back than any distance reaches. The decoder never reads the mirror, so it is not kept.
    const std::int32_t cap = capacity_;
    const std::int32_t mask = cap - 1;
    std::uint8_t* d = data_.get();
    std::int32_t dst = (start_ + size_) & mask;
    std::int32_t size = size_;
    std::int64_t globalStart = globalStart_;
    std::int32_t waiting = pending;
    const bool wide = cap >= 4096;

    for (; end - p >= kDecodeMargin && maxTokens > 0; --maxTokens) {
        if (waiting > cap - 2 * kMaxTokenBytes) {
            // Out with what waits before the chunked copies could reach it.
            std::int32_t from = (dst - waiting) & mask;
            std::int32_t first = std::min(waiting, cap - from);
            dest.WriteBuffer(d + from, first);
            if (waiting > first) dest.WriteBuffer(d, waiting - first);
            waiting = 0;
        }
        const std::uint32_t t = p[0];
        std::int32_t n;
        if (t & 1) {
            const std::uint32_t w = t | (static_cast<std::uint32_t>(p[1]) << 8);
            p += 2;
            const auto distance = static_cast<std::int32_t>((w & 0x0FFF) >> 1);
            n = static_cast<std::int32_t>((w >> 12) + 3);
            const std::int32_t src = (dst - distance) & mask;
            std::uint8_t* o = d + dst;
            const std::uint8_t* i = d + src;
            // A chunk may be copied whole when its source lies entirely before it.
            if (wide && dst + 32 <= cap && src + 32 <= cap && distance >= 8 && src < dst) {
                if (distance >= 16) {
                    std::memcpy(o, i, 16);
                    std::memcpy(o + 16, i + 16, 16);
                } else {
                    std::memcpy(o, i, 8);
                    std::memcpy(o + 8, i + 8, 8);
                    std::memcpy(o + 16, i + 16, 8);
                }
            } else if (dst + n <= cap && src + n <= cap) {
                if (distance >= n || src > dst) CopySmall(o, i, n);
                else if (distance == 0) [[unlikely]] std::memset(o, 0, static_cast<std::size_t>(n));  // zeros, as below
                else for (std::int32_t k = 0; k < n; ++k) o[k] = i[k];
            } else if (distance == 0) [[unlikely]] {
                // Distance 0 points at no byte already output: zeros, like a distance before the
                // first byte. (The chunked copy above never takes it: it needs a distance of 8.)
                for (std::int32_t k = 0; k < n; ++k) d[(dst + k) & mask] = 0;
            } else {
                for (std::int32_t k = 0; k < n; ++k) d[(dst + k) & mask] = d[(src + k) & mask];
            }
        } else {
            n = static_cast<std::int32_t>(t >> 1);
            ++p;
            if (wide && dst + kMaxTokenBytes <= cap) {
                for (std::int32_t k = 0; k < n; k += 16) std::memcpy(d + dst + k, p + k, 16);
            } else if (dst + n <= cap) {
                CopyLiteral(d + dst, p, n);
            } else {
                std::int32_t first = cap - dst;
                std::memcpy(d + dst, p, static_cast<std::size_t>(first));
                std::memcpy(d, p + first, static_cast<std::size_t>(n - first));
            }
            p += n;
        }
        waiting += n;
        dst = (dst + n) & mask;
        size += n;
        if (size > cap) {
            globalStart += size - cap;
            size = cap;
        }
    }
    size_ = size;
    globalStart_ = globalStart;
    start_ = (dst - size) & mask;
    pending = waiting;
    return p;
}

void TLZSlideWindow::CopyMatch(std::int32_t distance, std::int32_t length, rtl::TStream& dest) {
    CopyMatch(distance, length);
    WriteTail(dest, size_ - length, length);
}

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
    // Wider than the 2048 bytes a stream can reach back, so the hot loop can copy in whole
    // chunks; still a fixed size.
    TLZSlideWindow window(kDecoderWindowSize, 0, kMaxMatch, true);
    const std::int64_t sourceSize = Source->Size();
    TBlockReader in(*Source, BlockSizeFor(sourceSize - Source->Position()));
    const std::int32_t size = Clamp32(sourceSize);
    rtl::TStream& dest = *Dest;
    // Output waits in the window and goes out in pieces of nearly a window, just before it
    // would be overwritten.
    std::int32_t pending = 0;
    auto makeRoom = [&](std::int32_t n) {
        if (pending + n > window.Capacity()) {
            window.WriteTail(dest, window.Size() - pending, pending);
            pending = 0;
        }
    };

    // Without a listener the tokens go in long runs; with one, one at a time.
    const std::int64_t tokensPerRun = OnProgress ? 1 : std::numeric_limits<std::int64_t>::max();
    for (;;) {
        if (in.Ensure(TLZSlideWindow::kDecodeMargin)) {
            const std::uint8_t* p = in.Ptr();
            const std::uint8_t* stop = window.DecodeTokens(p, p + in.Available(), tokensPerRun, dest, pending);
            in.Skip(static_cast<std::int32_t>(stop - p));
            DoProgress(Clamp32(in.LogicalPosition()), size);
            continue;
        }
        // The last few bytes, where a token may be cut off.
        if (!in.Ensure(1)) break;
        std::uint8_t t = in.Next();
        if (t & 1) {
            if (!in.Ensure(1)) break;  // a match cut off by the end of the stream
            std::uint32_t w = t | (static_cast<std::uint32_t>(in.Next()) << 8);
            auto distance = static_cast<std::int32_t>((w & 0x0FFF) >> 1);
            auto length = static_cast<std::int32_t>((w >> 12) + 3);
            makeRoom(length);
            window.CopyMatch(distance, length);
            pending += length;
        } else {
            std::int32_t n = t >> 1;
            in.Ensure(n);
            n = std::min(n, in.Available());  // a run cut off by the end keeps what is there
            makeRoom(n);
            window.ReadFrom(in.Ptr(), n);
            in.Skip(n);
            pending += n;
        }
        DoProgress(Clamp32(in.LogicalPosition()), size);
    }
    window.WriteTail(dest, window.Size() - pending, pending);
}

void TLZKCompressor::DoCompress() {
    TLZSlideWindow window(kWindowSize, kMaxLookahead, kMaxMatch, false);
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
