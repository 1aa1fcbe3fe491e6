#pragma once
// A read position over a byte range that cannot read past its end. Every read answers whether it
// succeeded; a read that fails leaves the position where it was and the output untouched, so a
// caller checks one bool and never dereferences a value that was not there. Integers are
// little-endian. Used by every reader of resource images (headers, directories, names, string
// tables).

#include <cstdint>
#include <span>
#include <string>

namespace winres {

using TBytes = std::span<const std::uint8_t>;

// True when [offset, offset + size) lies inside the bytes.
inline bool InBounds(TBytes bytes, std::uint64_t offset, std::uint64_t size) {
    return offset <= bytes.size() && size <= bytes.size() - offset;
}

class TByteCursor {
public:
    TByteCursor() = default;
    // The position may lie past the end; reads then fail.
    explicit TByteCursor(TBytes bytes, std::uint64_t position = 0) : bytes_(bytes), position_(position) {}

    TBytes Bytes() const { return bytes_; }
    std::uint64_t Position() const { return position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }

    // Moves to an offset from the start; false (and no move) past the end. The end itself is allowed.
    [[nodiscard]] bool Seek(std::uint64_t position) {
        if (position > bytes_.size()) return false;
        position_ = position;
        return true;
    }
    [[nodiscard]] bool Skip(std::uint64_t count) {
        if (!InBounds(bytes_, position_, count)) return false;
        position_ += count;
        return true;
    }

    [[nodiscard]] bool ReadU8(std::uint8_t& value) {
        std::uint32_t v = 0;
        if (!ReadLE(1, v)) return false;
        value = static_cast<std::uint8_t>(v);
        return true;
    }
    [[nodiscard]] bool ReadU16(std::uint16_t& value) {
        std::uint32_t v = 0;
        if (!ReadLE(2, v)) return false;
        value = static_cast<std::uint16_t>(v);
        return true;
    }
    [[nodiscard]] bool ReadU32(std::uint32_t& value) { return ReadLE(4, value); }

    // The next `count` bytes as a view into the range.
    [[nodiscard]] bool ReadBytes(std::uint64_t count, TBytes& out) {
        if (!InBounds(bytes_, position_, count)) return false;
        out = bytes_.subspan(static_cast<std::size_t>(position_), static_cast<std::size_t>(count));
        position_ += count;
        return true;
    }

    // `units` UTF-16 code units, as they stand (no check of surrogate pairs).
    [[nodiscard]] bool ReadUtf16(std::uint64_t units, std::u16string& out) {
        TBytes raw;
        if (units > bytes_.size() / 2 || !ReadBytes(2 * units, raw)) return false;
        std::u16string text(static_cast<std::size_t>(units), u'\0');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
        out = std::move(text);
        return true;
    }

    // A 16-bit count followed by that many UTF-16 units: how resource names and the records of
    // string tables are stored.
    [[nodiscard]] bool ReadCountedUtf16(std::u16string& out) {
        const std::uint64_t start = position_;
        std::uint16_t count = 0;
        if (!ReadU16(count)) return false;
        if (!ReadUtf16(count, out)) {
            position_ = start;
            return false;
        }
        return true;
    }

private:
    bool ReadLE(int size, std::uint32_t& value) {
        if (!InBounds(bytes_, position_, static_cast<std::uint64_t>(size))) return false;
        std::uint32_t v = 0;
        for (int i = 0; i < size; ++i) v |= static_cast<std::uint32_t>(bytes_[position_ + i]) << (8 * i);
        value = v;
        position_ += static_cast<std::uint64_t>(size);
        return true;
    }

    TBytes bytes_;
    std::uint64_t position_ = 0;
};

}  // namespace winres
