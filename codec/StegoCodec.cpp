#include "codec/StegoCodec.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "codec/PrjConst.h"
#include "platform/rtl/Exception.h"

namespace codec {

namespace {

// Walks the carrier bytes in pixel order, eight pixels (one stored byte) at a time. Rows are
// reached through their scan line and then stepped Bpp bytes a pixel; a byte whose eight pixels
// lie in one row takes the straight path, one that crosses a row end the careful one.
template <int Bpp, typename Bitmap>
class CarrierWalk {
    using Row = decltype(std::declval<Bitmap&>().ScanLine(0));

public:
    explicit CarrierWalk(Bitmap& bmp) : bmp_(bmp), width_(bmp.Width()) {}

    // The lowest carrier bits of the next eight pixels, the first pixel in bit 0.
    unsigned Read() {
        unsigned a = 0;
        if (left_ >= 8) {
            for (int b = 0; b < 8; ++b) a |= static_cast<unsigned>(p_[b * Bpp] & 1u) << b;
            p_ += 8 * Bpp;
            left_ -= 8;
        } else {
            for (int b = 0; b < 8; ++b) {
                NextRowIfNeeded();
                a |= static_cast<unsigned>(*p_ & 1u) << b;
                p_ += Bpp;
                --left_;
            }
        }
        return a;
    }

    // Puts the eight bits of value into the lowest carrier bits of the next eight pixels.
    void Write(unsigned value) {
        if (left_ >= 8) {
            for (int b = 0; b < 8; ++b)
                p_[b * Bpp] = static_cast<std::uint8_t>((p_[b * Bpp] & 0xFEu) | ((value >> b) & 1u));
            p_ += 8 * Bpp;
            left_ -= 8;
        } else {
            for (int b = 0; b < 8; ++b) {
                NextRowIfNeeded();
                *p_ = static_cast<std::uint8_t>((*p_ & 0xFEu) | ((value >> b) & 1u));
                p_ += Bpp;
                --left_;
            }
        }
    }

    // The same by LSB matching: lanes holds, in byte b, the bit for the b-th pixel (bit 0) and
    // its coin (bit 1); next[carrier | lane << 8] is the carrier's new value.
    void WriteMatched(std::uint64_t lanes, const std::uint8_t* next) {
        if (left_ >= 8) {
            // Spelt out for the eight pixels: the compiler keeps the shifts constant.
            [&]<int... B>(std::integer_sequence<int, B...>) {
                ((p_[B * Bpp] = next[p_[B * Bpp] | (static_cast<unsigned>(lanes >> (8 * B)) & 3u) << 8]), ...);
            }(std::make_integer_sequence<int, 8>());
            p_ += 8 * Bpp;
            left_ -= 8;
        } else {
            for (int b = 0; b < 8; ++b) {
                NextRowIfNeeded();
                *p_ = next[*p_ | static_cast<unsigned>((lanes >> (8 * b)) & 3u) << 8];
                p_ += Bpp;
                --left_;
            }
        }
    }

private:
    // Rows are entered only when a pixel of them is needed, so the walk never asks for a row
    // past the last one.
    void NextRowIfNeeded() {
        if (left_ != 0) return;
        p_ = bmp_.ScanLine(++row_) + (Bpp - 1);
        left_ = width_;
    }

    Bitmap& bmp_;
    int width_;
    int row_ = -1;
    int left_ = 0;
    Row p_ = nullptr;
};

template <int Bpp>
void EmbedByReplacement(bitmap::TBitmap& bmp, const AnsiString& stored) {
    CarrierWalk<Bpp, bitmap::TBitmap> walk(bmp);
    // c_str() ends in the zero byte that closes the text.
    const char* bytes = stored.c_str();
    for (std::size_t j = 0; j <= stored.size(); ++j) walk.Write(static_cast<std::uint8_t>(bytes[j]));
}

// Byte b spread over eight bytes, bit i of b in byte i (0 or 1).
struct SpreadTable {
    std::uint64_t lanes[256];
    constexpr SpreadTable() : lanes() {
        for (unsigned b = 0; b < 256; ++b)
            for (unsigned i = 0; i < 8; ++i) lanes[b] |= static_cast<std::uint64_t>((b >> i) & 1u) << (8 * i);
    }
};
constexpr SpreadTable kSpread;

// LSB matching as a table, for a carrier c, the wanted bit and a coin: c itself when its lowest
// bit is right, else one step within the field Mask of the byte (0xFF, or 0x07 for green's bits
// 3-5 of a 5-6-5 pixel): up when the coin says so or the field is at its lowest, never at its
// highest. The step stays inside the field, so it never carries out of it.
template <unsigned Mask>
struct MatchingTable {
    std::uint8_t next[1024];  // index c | bit << 8 | coin << 9
    constexpr MatchingTable() : next() {
        for (unsigned i = 0; i < 1024; ++i) {
            const unsigned c = i & 0xFFu, bit = (i >> 8) & 1u, coin = i >> 9, field = c & Mask;
            const bool up = (coin != 0 || field == 0) && field != Mask;
            next[i] = static_cast<std::uint8_t>((c & 1u) == bit ? c : up ? c + 1 : c - 1);
        }
    }
};

// Every carrier gets a coin (a random byte for each stored byte), so the work does not depend on
// the picture or the text.
template <int Bpp>
void EmbedByMatching(bitmap::TBitmap& bmp, const AnsiString& stored, TRandomSource& random) {
    static constexpr MatchingTable<Bpp == 2 ? 0x07u : 0xFFu> kTable;
    CarrierWalk<Bpp, bitmap::TBitmap> walk(bmp);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(stored.c_str());
    std::uint8_t tosses[4096];
    const std::size_t count = stored.size() + 1;  // the zero byte included
    for (std::size_t done = 0; done < count; done += sizeof tosses) {
        const std::size_t n = std::min(sizeof tosses, count - done);
        random.Fill({tosses, n});
        for (std::size_t j = 0; j < n; ++j)
            walk.WriteMatched(kSpread.lanes[bytes[done + j]] | kSpread.lanes[tosses[j]] << 1, kTable.next);
    }
}

template <int Bpp>
void Embed(bitmap::TBitmap& bmp, const AnsiString& stored, TEmbedding how, TRandomSource* random) {
    if (how == TEmbedding::Replacement) return EmbedByReplacement<Bpp>(bmp, stored);
    if (random) return EmbedByMatching<Bpp>(bmp, stored, *random);
    const std::unique_ptr<TRandomSource> system = NewSystemRandom();
    EmbedByMatching<Bpp>(bmp, stored, *system);
}

template <int Bpp>
bool Collect(const bitmap::TBitmap& bmp, AnsiString& text) {
    CarrierWalk<Bpp, const bitmap::TBitmap> walk(bmp);
    const std::int32_t max = Capacity(bmp);
    bool found = false;
    std::int32_t j = 0;
    // A signature resets the text each time it is completed, so the doubled signature of the
    // Encrypt command is consumed in two steps. A 30-byte text that is not the signature only
    // grows and is never compared again: from then on bytes are gathered in blocks.
    while (j < max) {
        const unsigned a = walk.Read();
        ++j;
        if (a == 0) return found;
        text.push_back(static_cast<char>(a));
        if (text.size() == StegoSignature.size()) {
            if (text != StegoSignature) break;
            found = true;
            text.clear();
        }
    }
    char block[4096];
    std::size_t n = 0;
    while (j < max) {
        const unsigned a = walk.Read();
        ++j;
        if (a == 0) break;
        block[n++] = static_cast<char>(a);
        if (n == sizeof block) {
            text.append(block, n);
            n = 0;
        }
    }
    text.append(block, n);
    return found;
}

}  // namespace

int CarrierBytesPerPixel(const bitmap::TBitmap& bmp) {
    switch (bmp.BitCount()) {
        case 16:
            return bmp.HasMasks() && bmp.Masks().Green == 0x07E0 ? 2 : 0;
        case 24:
            return 3;
        case 32:
            return bmp.HasMasks() ? 0 : 4;
        default:
            return 0;
    }
}

std::int32_t Capacity(const bitmap::TBitmap& bmp) {
    // TBitmap refuses more than 2^31 - 1 pixels, so the product fits.
    return static_cast<std::int32_t>(bmp.Width() * bmp.Height()) / 8;
}

namespace {

void Insert(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how, TRandomSource* coins) {
    AnsiString stored;
    stored.reserve(StegoSignature.size() + data.size());
    stored.append(StegoSignature).append(data);
    const std::int64_t count = static_cast<std::int64_t>(stored.size()) + 1;

    const int bpp = CarrierBytesPerPixel(bmp);
    if (bpp == 0) throw rtl::Exception(rtl::Exception::CreateRes, SCannotEncryptLess1);
    const std::int32_t max = Capacity(bmp);
    if (max < count) throw rtl::Exception(rtl::Exception::CreateResFmt, STooLongStringToE, {max, count});

    switch (bpp) {
        case 2:
            Embed<2>(bmp, stored, how, coins);
            break;
        case 3:
            Embed<3>(bmp, stored, how, coins);
            break;
        default:
            Embed<4>(bmp, stored, how, coins);
            break;
    }
}

}  // namespace

void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how) {
    Insert(bmp, data, how, nullptr);
}

void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how, TRandomSource& coins) {
    Insert(bmp, data, how, &coins);
}

bool ExtractStegography(const bitmap::TBitmap& bmp, AnsiString& text) {
    text.clear();
    switch (CarrierBytesPerPixel(bmp)) {
        case 2:
            return Collect<2>(bmp, text);
        case 3:
            return Collect<3>(bmp, text);
        case 4:
            return Collect<4>(bmp, text);
        default:
            throw rtl::Exception(rtl::Exception::CreateRes, SCannotEncryptLess);
    }
}

AnsiString ReadStoredBytes(const bitmap::TBitmap& bmp, std::size_t count) {
    const int bpp = CarrierBytesPerPixel(bmp);
    if (bpp == 0) throw rtl::Exception(rtl::Exception::CreateRes, SCannotEncryptLess);
    count = std::min(count, static_cast<std::size_t>(Capacity(bmp)));
    AnsiString bytes;
    bytes.reserve(count);
    auto read = [&](auto walk) {
        while (bytes.size() < count) bytes.push_back(static_cast<char>(walk.Read()));
    };
    switch (bpp) {
        case 2:
            read(CarrierWalk<2, const bitmap::TBitmap>(bmp));
            break;
        case 3:
            read(CarrierWalk<3, const bitmap::TBitmap>(bmp));
            break;
        default:
            read(CarrierWalk<4, const bitmap::TBitmap>(bmp));
            break;
    }
    return bytes;
}

}  // namespace codec
