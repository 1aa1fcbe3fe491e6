#include "platform/bitmap/Bitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

#include "platform/bitmap/BmpFile.h"

namespace bitmap {

namespace {

bool IsValidBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// One mask turned into a shift and a scale to 8 bits.
struct Channel {
    std::uint32_t mask = 0;
    int shift = 0;
    std::uint32_t max = 0;  // largest value after shifting; 0 when the mask is empty

    explicit Channel(std::uint32_t m) : mask(m) {
        if (m == 0) return;
        shift = std::countr_zero(m);
        max = m >> shift;
    }
    std::uint8_t Get(std::uint32_t pixel, std::uint8_t whenEmpty) const {
        if (max == 0) return whenEmpty;
        std::uint32_t v = (pixel & mask) >> shift;
        if (max == 255) return static_cast<std::uint8_t>(v);
        return static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) * 255 + max / 2) / max);
    }
};

}  // namespace

std::uint64_t TBitmap::RowBytesFor(std::int64_t width, int bitCount) {
    return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
}

TBitmap::TBitmap(int width, int height, int bitCount) {
    if (!IsValidBitCount(bitCount)) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidPixelFormat);
    if (width < 0 || height < 0) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidBitmap);
    Allocate(width, height, bitCount, true);
    if (bitCount <= 8) {
        // A grey ramp, so that a new palette bitmap shows something sensible.
        int n = 1 << bitCount;
        palette_.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            auto v = static_cast<std::uint8_t>(i * 255 / (n - 1));
            palette_[static_cast<std::size_t>(i)] = {v, v, v, 0};
        }
    }
}

void TBitmap::Allocate(int width, int height, int bitCount, bool zeroFill) {
    if (static_cast<std::int64_t>(width) * height > MaxPixels)
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SBitmapTooLarge).WithCode("bmp.size.large");
    width_ = width;
    height_ = height;
    bitCount_ = bitCount;
    rowBytes_ = static_cast<std::size_t>(RowBytesFor(width, bitCount));
    std::size_t size = rowBytes_ * static_cast<std::size_t>(height);
    bits_.reset();
    if (size == 0) return;
    try {
        bits_ = zeroFill ? std::make_unique<std::uint8_t[]>(size) : std::make_unique_for_overwrite<std::uint8_t[]>(size);
    } catch (const std::bad_alloc&) {
        width_ = height_ = 0;
        rowBytes_ = 0;
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SBitmapTooLarge).WithCode("bmp.size.memory");
    }
}

TBitmap::TBitmap(const TBitmap& other)
    : width_(other.width_),
      height_(other.height_),
      bitCount_(other.bitCount_),
      rowBytes_(other.rowBytes_),
      hasMasks_(other.hasMasks_),
      masks_(other.masks_),
      palette_(other.palette_),
      info_(other.info_) {
    std::size_t size = BitsSize();
    if (size != 0) {
        bits_ = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        std::memcpy(bits_.get(), other.bits_.get(), size);
    }
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this != &other) {
        TBitmap copy(other);
        *this = std::move(copy);
    }
    return *this;
}

std::string_view TBitmap::MasksFault(const TColorMasks& masks, int bitCount) {
    if (bitCount != 16 && bitCount != 32) return "bmp.masks.bits";
    const std::uint32_t limit = bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    std::uint32_t seen = 0;
    for (std::uint32_t m : {masks.Red, masks.Green, masks.Blue, masks.Alpha}) {
        if (m == 0) continue;
        if ((m & ~limit) != 0) return "bmp.masks.outside";
        if ((m & seen) != 0) return "bmp.masks.overlap";
        // Contiguous: shifting the run down leaves 2^k - 1.
        std::uint32_t run = m >> std::countr_zero(m);
        if ((run & (run + 1)) != 0) return "bmp.masks.gap";
        seen |= m;
    }
    return (masks.Red | masks.Green | masks.Blue) != 0 ? std::string_view{} : "bmp.masks.empty";
}

void TBitmap::SetMasks(const TColorMasks& masks) {
    if (!ValidMasks(masks, bitCount_)) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidPixelFormat);
    masks_ = masks;
    hasMasks_ = true;
}

void TBitmap::ClearMasks() {
    masks_ = {};
    hasMasks_ = false;
    info_.AlphaBitFields = false;
}

void TBitmap::SetPalette(std::vector<TPaletteEntry> palette) {
    if (bitCount_ == 0 || bitCount_ > 8 || palette.size() > (std::size_t{1} << bitCount_))
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidPixelFormat);
    palette_ = std::move(palette);
}

std::uint8_t* TBitmap::ScanLine(int row) {
    if (row < 0 || row >= height_) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SScanLineRange);
    return bits_.get() + rowBytes_ * static_cast<std::size_t>(row);
}

const std::uint8_t* TBitmap::ScanLine(int row) const {
    if (row < 0 || row >= height_) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SScanLineRange);
    return bits_.get() + rowBytes_ * static_cast<std::size_t>(row);
}

void TBitmap::LoadFromStream(rtl::TStream& stream) { *this = ReadBmp(stream); }

void TBitmap::LoadFromFile(const AnsiString& fileName) {
    rtl::TFileStream file(fileName, rtl::TFileMode::fmOpenRead);
    LoadFromStream(file);
}

void TBitmap::SaveToStream(rtl::TStream& stream) const { WriteBmp(*this, stream); }

void TBitmap::SaveToFile(const AnsiString& fileName) const { SaveBmpFile(*this, fileName); }

void TBitmap::SaveToFile(const AnsiString& fileName, const rtl::TWrittenFileCheck& check) const {
    SaveBmpFile(*this, fileName, check);
}

std::vector<std::uint8_t> TBitmap::ToBGRA() const {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 4);
    ToBGRA(out);
    return out;
}

void TBitmap::ToBGRA(std::span<std::uint8_t> out) const {
    const std::size_t w = static_cast<std::size_t>(width_);
    if (out.size() < w * static_cast<std::size_t>(height_) * 4)
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidPixelFormat);
    if (Empty()) return;

    // Palette lookups go through a full 256-entry table, so any index is safe.
    std::uint8_t lut[256][4] = {};
    for (std::size_t i = 0; i < 256; ++i) lut[i][3] = 255;
    for (std::size_t i = 0; i < palette_.size() && i < 256; ++i) {
        lut[i][0] = palette_[i].Blue;
        lut[i][1] = palette_[i].Green;
        lut[i][2] = palette_[i].Red;
    }
    TColorMasks m = masks_;
    if (!hasMasks_ && bitCount_ == 16) m = {0x7C00, 0x03E0, 0x001F, 0};
    const Channel red(m.Red), green(m.Green), blue(m.Blue), alpha(m.Alpha);

    for (int y = 0; y < height_; ++y) {
        const std::uint8_t* src = ScanLine(y);
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * w * 4;
        switch (bitCount_) {
            case 1:
            case 4:
            case 8: {
                const int perByte = 8 / bitCount_;
                const unsigned valueMask = (1u << bitCount_) - 1;
                for (std::size_t x = 0; x < w; ++x) {
                    unsigned shift = static_cast<unsigned>(8 - bitCount_ * (1 + static_cast<int>(x % static_cast<std::size_t>(perByte))));
                    unsigned index = (src[x / static_cast<std::size_t>(perByte)] >> shift) & valueMask;
                    std::memcpy(dst + x * 4, lut[index], 4);
                }
                break;
            }
            case 16:
                for (std::size_t x = 0; x < w; ++x) {
                    std::uint32_t px = src[2 * x] | (static_cast<std::uint32_t>(src[2 * x + 1]) << 8);
                    dst[x * 4 + 0] = blue.Get(px, 0);
                    dst[x * 4 + 1] = green.Get(px, 0);
                    dst[x * 4 + 2] = red.Get(px, 0);
                    dst[x * 4 + 3] = alpha.Get(px, 255);
                }
                break;
            case 24:
                for (std::size_t x = 0; x < w; ++x) {
                    dst[x * 4 + 0] = src[3 * x];
                    dst[x * 4 + 1] = src[3 * x + 1];
                    dst[x * 4 + 2] = src[3 * x + 2];
                    dst[x * 4 + 3] = 255;
                }
                break;
            case 32:
                if (!hasMasks_) {
                    for (std::size_t x = 0; x < w; ++x) {
                        std::memcpy(dst + x * 4, src + x * 4, 3);
                        dst[x * 4 + 3] = 255;
                    }
                } else {
                    for (std::size_t x = 0; x < w; ++x) {
                        std::uint32_t px = src[4 * x] | (static_cast<std::uint32_t>(src[4 * x + 1]) << 8) |
                                           (static_cast<std::uint32_t>(src[4 * x + 2]) << 16) |
                                           (static_cast<std::uint32_t>(src[4 * x + 3]) << 24);
                        dst[x * 4 + 0] = blue.Get(px, 0);
                        dst[x * 4 + 1] = green.Get(px, 0);
                        dst[x * 4 + 2] = red.Get(px, 0);
                        dst[x * 4 + 3] = alpha.Get(px, 255);
                    }
                }
                break;
            default:
                break;
        }
    }
}

}  // namespace bitmap
