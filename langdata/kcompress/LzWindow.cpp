#include "langdata/kcompress/LzWindow.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace langdata {

namespace {

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

}  // namespace

// ---- TSlideWindow ----------------------------------------------------------------------------

TSlideWindow::TSlideWindow(std::int32_t capacity) : TSlideWindow(capacity, 0) {}

TSlideWindow::TSlideWindow(std::int32_t capacity, std::int32_t slack) : capacity_(capacity) {
    if (capacity <= 0 || slack < 0) throw std::invalid_argument("TSlideWindow: bad capacity");
    // Zero-filled, so the comparisons of the match search never read unset bytes.
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

TLZSlideWindow::TLZSlideWindow(std::int32_t capacity, std::int32_t maxLookahead, std::int32_t maxMatch)
    : TSlideWindow(capacity, kMirror), maxMatch_(maxMatch), maxLookahead_(maxLookahead) {
    // The index arithmetic below masks with capacity - 1, and match comparisons read at most 24
    // bytes past an index, which the mirror covers.
    if (!std::has_single_bit(static_cast<std::uint32_t>(capacity)) || capacity < 2 * kMirror || maxMatch < 1 ||
        maxMatch > 24 || maxLookahead < 0 || maxLookahead >= capacity - maxMatch)
        throw std::invalid_argument("TLZSlideWindow: bad geometry");
    dictionary_ = std::make_unique<TLZDictionary>();
    chainHead_ = std::make_unique<std::int64_t[]>(std::size_t{1} << kHashBits);
    chainPrev_ = std::make_unique<std::int64_t[]>(static_cast<std::size_t>(capacity));
    std::fill_n(chainHead_.get(), std::size_t{1} << kHashBits, -1);
    std::fill_n(chainPrev_.get(), capacity, -1);
}

void TLZSlideWindow::Extend(std::int32_t count) {
    std::int32_t excess = size_ + count - capacity_;
    if (excess > 0) lookaheadStart_ -= excess;
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
    if (lookahead < 3) return false;
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

}  // namespace langdata
