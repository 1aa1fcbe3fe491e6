#pragma once
// Internal to langdata/kcompress: the encoder's window, its per-byte position lists and the
// dictionary of those lists. Callers use the stream functions of kcompress.h.
//
// The encoder keeps a circular window of 2048 bytes with a look-ahead of up to 127 bytes not yet
// encoded. Its match search is fixed by the stored format's compressor rules: the pack we ship
// holds exactly what it produces, so the search must not change.

#include <array>
#include <cstdint>
#include <memory>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace langdata {

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

// The encoder's LZ window: recent input and a look-ahead of up to MaxLookahead bytes not yet
// encoded. (The decoder writes into a straight buffer of its own, LzkDecoder.h.)
class TLZSlideWindow final : public TSlideWindow {
public:
    TLZSlideWindow(std::int32_t capacity, std::int32_t maxLookahead, std::int32_t maxMatch);

    void Extend(std::int32_t count) override;

    std::int32_t MaxMatch() const { return maxMatch_; }
    std::int32_t MaxLookahead() const { return maxLookahead_; }
    std::int32_t LookaheadStart() const { return lookaheadStart_; }
    TLZDictionary& Dictionary() { return *dictionary_; }

    std::int32_t LookaheadSize() const { return size_ - lookaheadStart_; }
    std::uint8_t LookaheadByte(std::int32_t i) const { return ByteAt(lookaheadStart_ + i); }

    // Appends n bytes after the newest byte (overwriting the oldest when full), then Extend(n).
    // Answers the bytes actually appended (fewer when the stream ends early).
    std::int32_t ReadFrom(rtl::TStream& stream, std::int32_t n);
    void ReadFrom(const std::uint8_t* bytes, std::int32_t n);

    // Tops the look-ahead up to MaxLookahead from `available` bytes; answers how many bytes it
    // took.
    std::int32_t Fill(const std::uint8_t* available, std::int32_t availableCount);
    // The same straight from a stream, at its position.
    std::int32_t Fill(rtl::TStream& source);
    // Records the positions of the next `count` look-ahead bytes and moves past them.
    void Advance(std::int32_t count);
    // The longest match for the look-ahead among the candidates (see LzWindow.cpp).
    bool FindMatch(std::int32_t& distance, std::int32_t& length);

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
    // Chains of passed positions that share their first three bytes, newest first. They only
    // skip candidates of the byte lists that cannot reach three bytes; which match is chosen is
    // decided by the lists alone.
    std::unique_ptr<std::int64_t[]> chainHead_;
    std::unique_ptr<std::int64_t[]> chainPrev_;
};

}  // namespace langdata
