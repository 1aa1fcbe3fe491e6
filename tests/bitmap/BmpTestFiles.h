#pragma once
// Bitmap files written byte by byte, independently of the writer under test.

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace bmptest {

struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& U8(unsigned v) {
        b.push_back(static_cast<std::uint8_t>(v));
        return *this;
    }
    Bytes& U16(unsigned v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    Bytes& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
    Bytes& Raw(std::initializer_list<unsigned> v) {
        for (unsigned x : v) U8(x);
        return *this;
    }
    Bytes& Append(const std::vector<std::uint8_t>& v) {
        b.insert(b.end(), v.begin(), v.end());
        return *this;
    }
    Bytes& Zeros(std::size_t n) {
        b.insert(b.end(), n, 0);
        return *this;
    }
    void Set32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
};

struct InfoFile {
    std::uint32_t headerSize = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    unsigned bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks;     // after a 40-byte header, or inside a larger one
    std::vector<std::uint32_t> palette;   // 0x00RRGGBB entries
    std::vector<std::uint8_t> pixels;     // rows in file order, padded
    std::vector<std::uint8_t> headerTail; // bytes 56.. of a V4/V5 header (zeros when empty)
    std::vector<std::uint8_t> trailer;    // after the pixels
};

// File header + info-type header + masks + palette + pixels + trailer, offsets consistent.
inline std::vector<std::uint8_t> Build(const InfoFile& f) {
    const std::uint32_t maskBytes = f.headerSize == 40 ? static_cast<std::uint32_t>(4 * f.masks.size()) : 0;
    const std::uint32_t off = 14 + f.headerSize + maskBytes + static_cast<std::uint32_t>(4 * f.palette.size());
    Bytes o;
    o.Raw({'B', 'M'}).U32(off + static_cast<std::uint32_t>(f.pixels.size() + f.trailer.size())).U32(0).U32(off);
    o.U32(f.headerSize).U32(static_cast<std::uint32_t>(f.width)).U32(static_cast<std::uint32_t>(f.height));
    o.U16(1).U16(f.bitCount).U32(f.compression).U32(f.sizeImage != 0 ? f.sizeImage : static_cast<std::uint32_t>(f.pixels.size())).U32(2835).U32(2835).U32(f.colorsUsed).U32(0);
    if (f.headerSize > 40) {
        for (std::size_t i = 0; i < (f.headerSize >= 56 ? 4u : 3u); ++i) o.U32(i < f.masks.size() ? f.masks[i] : 0);
        std::size_t tail = f.headerSize - (f.headerSize >= 56 ? 56 : 52);
        std::vector<std::uint8_t> t = f.headerTail;
        t.resize(tail, 0);
        o.Append(t);
    } else {
        for (auto m : f.masks) o.U32(m);
    }
    for (auto c : f.palette) o.U32(c);
    o.Append(f.pixels).Append(f.trailer);
    return o.b;
}

}  // namespace bmptest
