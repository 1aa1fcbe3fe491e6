#include "app/StegoCodec.h"

#include <algorithm>
#include <utility>

#include "app/PrjConst.h"
#include "platform/rtl/Exception.h"

namespace app {

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

    // Puts the eight bits of value into the lowest carrier bits of the next eight pixels;
    // set(carrier, bit) says how.
    template <typename Set>
    void Write(unsigned value, Set& set) {
        if (left_ >= 8) {
            for (int b = 0; b < 8; ++b) set(p_[b * Bpp], (value >> b) & 1u);
            p_ += 8 * Bpp;
            left_ -= 8;
        } else {
            for (int b = 0; b < 8; ++b) {
                NextRowIfNeeded();
                set(*p_, (value >> b) & 1u);
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

struct Replace {
    void operator()(std::uint8_t& carrier, unsigned bit) const {
        carrier = static_cast<std::uint8_t>((carrier & 0xFEu) | bit);
    }
};

// One step up or down within the field Mask of the carrier byte (0xFF, or 0x07 for green's bits
// 3-5 of a 5-6-5 pixel) when the bit differs. A coin is tossed for every carrier, so the number
// of tosses tells nothing and the loop needs no unpredictable branch.
template <unsigned Mask>
struct Match {
    TCoinTosses& coins;
    void operator()(std::uint8_t& carrier, unsigned bit) const {
        const int field = static_cast<int>(carrier & Mask);
        int step = coins.Next() ? 1 : -1;
        step = field == 0 ? 1 : step;
        step = field == static_cast<int>(Mask) ? -1 : step;
        const int moved = field + step * static_cast<int>((static_cast<unsigned>(field) ^ bit) & 1u);
        carrier = static_cast<std::uint8_t>((carrier & ~Mask) | static_cast<unsigned>(moved));
    }
};

template <int Bpp, typename Set>
void Embed(bitmap::TBitmap& bmp, const AnsiString& stored, Set set) {
    CarrierWalk<Bpp, bitmap::TBitmap> walk(bmp);
    // c_str() ends in the zero byte that closes the text.
    const char* bytes = stored.c_str();
    for (std::size_t j = 0; j <= stored.size(); ++j) walk.Write(static_cast<std::uint8_t>(bytes[j]), set);
}

template <int Bpp>
void Embed(bitmap::TBitmap& bmp, const AnsiString& stored, TEmbedding how, TRandomSource& random) {
    if (how == TEmbedding::Replacement) return Embed<Bpp>(bmp, stored, Replace{});
    TCoinTosses coins(random);
    Embed<Bpp>(bmp, stored, Match<Bpp == 2 ? 0x07u : 0xFFu>{coins});
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

void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how) {
    InsertStegography(bmp, data, how, SystemRandom());
}

void InsertStegography(bitmap::TBitmap& bmp, const AnsiString& data, TEmbedding how, TRandomSource& coins) {
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

}  // namespace app
