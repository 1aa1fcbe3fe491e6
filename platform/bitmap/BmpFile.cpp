#include "platform/bitmap/BmpFile.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <span>

#include "platform/rtl/FileUtils.h"

namespace bitmap {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                        BI_ALPHABITFIELDS = 6;
constexpr std::uint32_t LCS_sRGB = 0x73524742;          // 'sRGB'
constexpr std::uint32_t PROFILE_LINKED = 0x4C494E4B;    // 'LINK'
constexpr std::uint32_t PROFILE_EMBEDDED = 0x4D424544;  // 'MBED'
constexpr std::uint32_t LCS_GM_IMAGES = 4;

// Run-length data may expand a lot, but a small file claiming a huge picture must not make us
// allocate it: the decoded pixels may take at most this many times the coded bytes, or 4 MiB.
constexpr std::uint64_t kRleMaxExpansion = 1024;
constexpr std::uint64_t kRleFreeBytes = 4ull << 20;

// Each refusal names the check that made it (the list is in docs/formats/bmp.md).
[[noreturn]] void Invalid(std::string_view code) {
    throw EInvalidGraphic(EInvalidGraphic::CreateRes, SInvalidBitmap).WithCode(code);
}
[[noreturn]] void Unsupported(std::string_view code) {
    throw EInvalidGraphic(EInvalidGraphic::CreateRes, SUnsupportedBitmap).WithCode(code);
}

std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool KnownHeaderSize(std::uint32_t size) {
    return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

// Reads exactly count bytes at the stream's position; a short read means a truncated file.
void ReadExact(rtl::TStream& stream, void* buffer, std::int64_t count) {
    if (count > 0 && stream.Read(buffer, count) != count) Invalid("bmp.file.short");
}

// Decodes RLE8 or RLE4 data into a zero-filled palette bitmap. Rows in the data run bottom-up.
// Runs past the right edge are clipped, as the platform does; data that ends before the last
// row without an end-of-bitmap mark is a truncated file.
void DecodeRle(std::span<const std::uint8_t> src, TBitmap& bmp, bool rle4) {
    const std::int64_t w = bmp.Width(), h = bmp.Height();
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;
    auto put = [&](unsigned index) {
        if (x < w) {
            std::uint8_t* row = bmp.ScanLine(static_cast<int>(h - 1 - y));
            if (!rle4) {
                row[x] = static_cast<std::uint8_t>(index);
            } else {
                std::uint8_t& b = row[x / 2];
                b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0x0F))
                            : static_cast<std::uint8_t>((b & 0x0F) | (index << 4));
            }
        }
        ++x;
    };
    while (y < h) {
        if (src.size() - i < 2) {
            if (y == h - 1 && x >= w) return;  // last row complete, only the marks missing
            Invalid("bmp.rle.short");
        }
        const unsigned count = src[i], value = src[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count; ++k) put(rle4 ? ((k & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // move right and up
            if (src.size() - i < 2) Invalid("bmp.rle.short");
            x += src[i];
            y += src[i + 1];
            i += 2;
        } else {  // literal pixels, padded to a 16-bit boundary
            const std::size_t bytes = rle4 ? (value + 1) / 2 : value;
            if (src.size() - i < bytes) Invalid("bmp.rle.short");
            for (unsigned k = 0; k < value; ++k) {
                unsigned b = src[i + (rle4 ? k / 2 : k)];
                put(rle4 ? ((k & 1) ? b & 0x0F : b >> 4) : b);
            }
            i += std::min(src.size() - i, (bytes + 1) & ~std::size_t{1});
        }
    }
}

// What the writer needs to know of a bitmap: the loaded bitmap itself, or the headers of a file
// whose rows are copied rather than loaded.
struct Shape {
    std::int64_t width;
    std::int64_t height;
    int bitCount;
    bool hasMasks;
    TColorMasks masks;
    const std::vector<TPaletteEntry>& palette;
    const TBmpFileInfo& info;
    std::uint64_t profileSize;
    std::uint64_t rowBytes;
};

Shape ShapeOf(const TBitmap& bmp) {
    if (bmp.Empty()) throw EInvalidGraphic(EInvalidGraphic::CreateRes, SBitmapEmpty);
    return {bmp.Width(), bmp.Height(), bmp.BitCount(), bmp.HasMasks(), bmp.Masks(), bmp.Palette(),
            bmp.FileInfo(), bmp.FileInfo().Profile.size(), bmp.RowBytes()};
}

Shape ShapeOf(const TBmpHeaders& h, std::uint64_t profileSize) {
    return {h.Width, h.Height, h.BitCount, h.HasMasks, h.Masks, h.Palette, h.Info, profileSize, h.RowBytes};
}

struct Layout {
    TBmpHeader header;
    std::uint32_t compression;
    std::uint32_t maskBytes;     // masks after an info header
    std::uint32_t paletteCount;  // entries written
    std::uint32_t paletteBytes;
    std::uint32_t offBits;
    std::uint64_t pixelBytes;
};

Layout MakeLayout(const Shape& bmp) {
    const TBmpFileInfo& info = bmp.info;
    Layout l{};
    l.header = info.Header;
    const int bc = bmp.bitCount;
    // Formats the remembered header cannot describe get the next header that can.
    if (l.header == TBmpHeader::Core && (bc == 16 || bc == 32 || bmp.width > 0xFFFF || bmp.height > 0xFFFF ||
                                          info.TopDown))
        l.header = TBmpHeader::Info;
    if (l.header == TBmpHeader::V2 && bmp.hasMasks && bmp.masks.Alpha != 0) l.header = TBmpHeader::V3;
    l.compression = BI_RGB;
    if (bmp.hasMasks) {
        l.compression = BI_BITFIELDS;
        if (l.header == TBmpHeader::Info && (info.AlphaBitFields || bmp.masks.Alpha != 0))
            l.compression = BI_ALPHABITFIELDS;
        if (l.header == TBmpHeader::Info) l.maskBytes = l.compression == BI_ALPHABITFIELDS ? 16 : 12;
    }
    if (bc <= 8) {
        const std::uint32_t full = 1u << bc;
        l.paletteCount = l.header == TBmpHeader::Core || bmp.palette.empty()
                             ? full
                             : static_cast<std::uint32_t>(bmp.palette.size());
        l.paletteBytes = l.paletteCount * (l.header == TBmpHeader::Core ? 3 : 4);
    }
    l.offBits = kFileHeaderSize + static_cast<std::uint32_t>(l.header) + l.maskBytes + l.paletteBytes;
    l.pixelBytes = bmp.rowBytes * static_cast<std::uint64_t>(bmp.height);
    return l;
}

std::vector<std::uint8_t> HeadersFor(const Shape& bmp, const Layout& l) {
    const TBmpFileInfo& info = bmp.info;
    const std::uint32_t hsize = static_cast<std::uint32_t>(l.header);
    std::vector<std::uint8_t> out(l.offBits, 0);
    std::uint8_t* fh = out.data();
    const std::uint64_t fileSize = l.offBits + l.pixelBytes + bmp.profileSize;
    fh[0] = 'B';
    fh[1] = 'M';
    // Sizes beyond 4 GiB cannot be recorded; readers take 0 as "not given".
    Put32(fh + 2, fileSize > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(fileSize));
    Put32(fh + 10, l.offBits);
    std::uint8_t* h = fh + kFileHeaderSize;
    Put32(h, hsize);
    if (l.header == TBmpHeader::Core) {
        Put16(h + 4, static_cast<std::uint16_t>(bmp.width));
        Put16(h + 6, static_cast<std::uint16_t>(bmp.height));
        Put16(h + 8, 1);
        Put16(h + 10, static_cast<std::uint16_t>(bmp.bitCount));
    } else {
        Put32(h + 4, static_cast<std::uint32_t>(bmp.width));
        Put32(h + 8, static_cast<std::uint32_t>(static_cast<std::int32_t>(info.TopDown ? -bmp.height : bmp.height)));
        Put16(h + 12, 1);
        Put16(h + 14, static_cast<std::uint16_t>(bmp.bitCount));
        Put32(h + 16, l.compression);
        Put32(h + 20, l.pixelBytes > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(l.pixelBytes));
        Put32(h + 24, static_cast<std::uint32_t>(info.XPelsPerMeter));
        Put32(h + 28, static_cast<std::uint32_t>(info.YPelsPerMeter));
        const bool fullPalette = bmp.bitCount > 8 || l.paletteCount == (1u << bmp.bitCount);
        Put32(h + 32, fullPalette ? 0 : l.paletteCount);
        Put32(h + 36, bmp.bitCount <= 8 ? std::min(info.ColorsImportant, l.paletteCount) : info.ColorsImportant);
        const TColorMasks& m = bmp.masks;
        std::uint8_t* masks = hsize >= 52 ? h + 40 : h + hsize;
        if (bmp.hasMasks) {
            Put32(masks, m.Red);
            Put32(masks + 4, m.Green);
            Put32(masks + 8, m.Blue);
            if (hsize >= 56 || l.compression == BI_ALPHABITFIELDS) Put32(masks + 12, m.Alpha);
        }
        if (hsize >= 108) {
            std::uint8_t* cs = h + 56;
            if (!info.ColorSpace.empty())
                std::memcpy(cs, info.ColorSpace.data(), std::min<std::size_t>(info.ColorSpace.size(), hsize - 56));
            else
                Put32(cs, LCS_sRGB);
            if (hsize >= 124) {
                if (info.ColorSpace.size() < 124 - 56) Put32(h + 108, LCS_GM_IMAGES);
                std::uint32_t cstype = Le32(cs);
                if (bmp.profileSize == 0) {
                    if (cstype == PROFILE_LINKED || cstype == PROFILE_EMBEDDED) Put32(cs, LCS_sRGB);
                    Put32(h + 112, 0);
                    Put32(h + 116, 0);
                } else {
                    const std::uint64_t at = l.offBits - kFileHeaderSize + l.pixelBytes;
                    Put32(h + 112, at > 0xFFFFFFFFu ? 0 : static_cast<std::uint32_t>(at));
                    Put32(h + 116, static_cast<std::uint32_t>(bmp.profileSize));
                }
            }
        }
    }
    std::uint8_t* pal = h + hsize + l.maskBytes;
    const auto& palette = bmp.palette;
    for (std::uint32_t i = 0; i < l.paletteCount && i < palette.size(); ++i) {
        const TPaletteEntry& e = palette[i];
        if (l.header == TBmpHeader::Core) {
            pal[3 * i] = e.Blue;
            pal[3 * i + 1] = e.Green;
            pal[3 * i + 2] = e.Red;
        } else {
            pal[4 * i] = e.Blue;
            pal[4 * i + 1] = e.Green;
            pal[4 * i + 2] = e.Red;
            pal[4 * i + 3] = e.Reserved;
        }
    }
    return out;
}

}  // namespace

TBmpHeaders ReadBmpHeaders(rtl::TStream& stream) {
    TBmpHeaders hd;
    const std::int64_t start = hd.Start = stream.Position();
    const std::int64_t avail = hd.Available = stream.Size() - start;  // bytes that really exist
    if (avail < static_cast<std::int64_t>(kFileHeaderSize) + 12) Invalid("bmp.file.short");

    std::uint8_t fh[kFileHeaderSize + 4];
    ReadExact(stream, fh, sizeof fh);
    if (fh[0] != 'B' || fh[1] != 'M') Invalid("bmp.header.magic");
    std::uint32_t offBits = Le32(fh + 10);
    const std::uint32_t hsize = Le32(fh + 14);
    if (!KnownHeaderSize(hsize)) {
        if (hsize == 16 || hsize == 64) Unsupported("bmp.header.os2");  // the OS/2 2.x header
        Invalid("bmp.header.size");
    }
    if (avail < static_cast<std::int64_t>(kFileHeaderSize + hsize)) Invalid("bmp.header.short");
    std::uint8_t h[124] = {};
    Put32(h, hsize);
    ReadExact(stream, h + 4, hsize - 4);

    TBmpFileInfo& info = hd.Info;
    info.Header = static_cast<TBmpHeader>(hsize);
    std::int64_t width, height;
    int bitCount;
    std::uint32_t compression = BI_RGB, colorsUsed = 0;
    if (hsize == 12) {
        width = Le16(h + 4);
        height = Le16(h + 6);
        bitCount = Le16(h + 10);
        if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24) Invalid("bmp.bits.core");
    } else {
        width = static_cast<std::int32_t>(Le32(h + 4));
        height = static_cast<std::int32_t>(Le32(h + 8));
        bitCount = Le16(h + 14);
        compression = Le32(h + 16);
        hd.SizeImage = Le32(h + 20);
        info.XPelsPerMeter = static_cast<std::int32_t>(Le32(h + 24));
        info.YPelsPerMeter = static_cast<std::int32_t>(Le32(h + 28));
        colorsUsed = Le32(h + 32);
        info.ColorsImportant = Le32(h + 36);
    }
    if (height == INT32_MIN) Invalid("bmp.size.invalid");
    if (height < 0) {
        info.TopDown = true;
        height = -height;
    }
    if (width <= 0 || height <= 0) Invalid("bmp.size.invalid");
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        Unsupported("bmp.bits.unsupported");
    switch (compression) {
        case BI_RGB:
            break;
        case BI_RLE8:
        case BI_RLE4:
            if (bitCount != (compression == BI_RLE8 ? 8 : 4)) Invalid("bmp.rle.bits");
            if (info.TopDown) Invalid("bmp.rle.topdown");
            break;
        case BI_BITFIELDS:
        case BI_ALPHABITFIELDS:
            if (bitCount != 16 && bitCount != 32) Invalid("bmp.masks.bits");
            break;
        case BI_JPEG:
        case BI_PNG:
            Unsupported("bmp.compression.unsupported");
        default:
            Invalid("bmp.compression.unknown");
    }
    if (width * height > TBitmap::MaxPixels)
        throw EInvalidGraphic(EInvalidGraphic::CreateRes, SBitmapTooLarge).WithCode("bmp.size.large");
    hd.Width = static_cast<int>(width);
    hd.Height = static_cast<int>(height);
    hd.BitCount = bitCount;
    hd.Compression = compression;
    hd.RowBytes = TBitmap::RowBytesFor(width, bitCount);

    std::int64_t pos = kFileHeaderSize + hsize;  // from the start of the file
    if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
        TColorMasks m;
        if (hsize == 40) {
            const std::uint32_t n = compression == BI_ALPHABITFIELDS ? 4 : 3;
            std::uint8_t mb[16] = {};
            if (avail - pos < 4 * n) Invalid("bmp.masks.short");
            ReadExact(stream, mb, 4 * n);
            pos += 4 * n;
            m = {Le32(mb), Le32(mb + 4), Le32(mb + 8), Le32(mb + 12)};
        } else {
            m = {Le32(h + 40), Le32(h + 44), Le32(h + 48), hsize >= 56 ? Le32(h + 52) : 0};
        }
        if (const std::string_view fault = TBitmap::MasksFault(m, bitCount); !fault.empty()) Invalid(fault);
        hd.Masks = m;
        hd.HasMasks = true;
        info.AlphaBitFields = compression == BI_ALPHABITFIELDS && hsize == 40;
    }

    if (bitCount <= 8) {
        const std::uint32_t full = 1u << bitCount;
        if (colorsUsed > full) Invalid("bmp.palette.count");
        const std::uint32_t count = colorsUsed != 0 ? colorsUsed : full;
        const std::uint32_t entry = hsize == 12 ? 3 : 4;
        if (avail - pos < static_cast<std::int64_t>(count * entry)) Invalid("bmp.palette.short");
        if (offBits != 0 && offBits < pos + count * entry) Invalid("bmp.pixels.inside");
        std::uint8_t raw[256 * 4];
        ReadExact(stream, raw, count * entry);
        pos += count * entry;
        hd.Palette.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint8_t* e = raw + i * entry;
            hd.Palette[i] = {e[0], e[1], e[2], entry == 4 ? e[3] : std::uint8_t{0}};
        }
    }
    // Some writers leave the offset 0: the pixels then follow what came before.
    if (offBits == 0) offBits = static_cast<std::uint32_t>(pos);
    if (offBits < pos) Invalid("bmp.pixels.inside");
    if (offBits > avail) Invalid("bmp.pixels.outside");
    hd.OffBits = offBits;

    if (hsize >= 108) info.ColorSpace.assign(h + 56, h + hsize);
    if (hsize == 124) {
        const std::uint32_t cstype = Le32(h + 56);
        const std::uint32_t size = Le32(h + 116);
        if ((cstype == PROFILE_EMBEDDED || cstype == PROFILE_LINKED) && size != 0) {
            hd.ProfileAt = kFileHeaderSize + static_cast<std::int64_t>(Le32(h + 112));
            hd.ProfileSize = size;
        }
    }
    return hd;
}

void CheckPixelExtent(const TBmpHeaders& hd) {
    if (hd.PixelBytes() > static_cast<std::uint64_t>(hd.Available - hd.OffBits)) Invalid("bmp.pixels.short");
}

void CheckProfileExtent(const TBmpHeaders& hd) {
    if (hd.ProfileSize != 0 && (hd.ProfileAt > hd.Available || hd.ProfileSize > hd.Available - hd.ProfileAt))
        Invalid("bmp.profile.outside");
}

TBitmap TBmpReader::Read(rtl::TStream& stream) {
    TBmpHeaders hd = ReadBmpHeaders(stream);
    TBitmap bmp;
    bmp.info_ = std::move(hd.Info);
    bmp.masks_ = hd.Masks;
    bmp.hasMasks_ = hd.HasMasks;
    bmp.palette_ = std::move(hd.Palette);

    const std::int64_t start = hd.Start, avail = hd.Available;
    const std::uint64_t rowBytes = hd.RowBytes, pixelBytes = hd.PixelBytes();
    std::int64_t end = hd.OffBits;
    if (hd.RunLength()) {
        const std::int64_t left = avail - hd.OffBits;
        const std::int64_t coded = hd.SizeImage != 0 ? hd.SizeImage : left;
        if (coded > left || coded < 2) Invalid("bmp.rle.size");
        if (pixelBytes > std::max(kRleFreeBytes, kRleMaxExpansion * static_cast<std::uint64_t>(coded)))
            Invalid("bmp.rle.expansion");
        stream.SetPosition(start + hd.OffBits);
        std::vector<std::uint8_t> data = stream.ReadBytes(coded);
        bmp.Allocate(hd.Width, hd.Height, hd.BitCount, true);
        DecodeRle(data, bmp, hd.Compression == BI_RLE4);
        end += coded;
    } else {
        CheckPixelExtent(hd);
        bmp.Allocate(hd.Width, hd.Height, hd.BitCount, false);
        stream.SetPosition(start + hd.OffBits);
        if (bmp.info_.TopDown) {
            ReadExact(stream, bmp.bits_.get(), static_cast<std::int64_t>(pixelBytes));
        } else {
            for (std::int64_t y = hd.Height - 1; y >= 0; --y)
                ReadExact(stream, bmp.ScanLine(static_cast<int>(y)), static_cast<std::int64_t>(rowBytes));
        }
        end += static_cast<std::int64_t>(pixelBytes);
    }

    if (hd.ProfileSize != 0) {
        CheckProfileExtent(hd);
        stream.SetPosition(start + hd.ProfileAt);
        bmp.info_.Profile = stream.ReadBytes(hd.ProfileSize);
        end = std::max<std::int64_t>(end, hd.ProfileAt + hd.ProfileSize);
    }
    stream.SetPosition(start + end);
    return bmp;
}

std::vector<std::uint8_t> EncodeBmpHeaders(const TBitmap& bmp) {
    const Shape shape = ShapeOf(bmp);
    return HeadersFor(shape, MakeLayout(shape));
}

std::vector<std::uint8_t> EncodeBmpHeaders(const TBmpHeaders& headers, std::uint64_t profileSize) {
    const Shape shape = ShapeOf(headers, profileSize);
    return HeadersFor(shape, MakeLayout(shape));
}

void WriteBmp(const TBitmap& bmp, rtl::TStream& stream) {
    const Shape shape = ShapeOf(bmp);
    const Layout l = MakeLayout(shape);
    const std::vector<std::uint8_t> head = HeadersFor(shape, l);
    stream.WriteBuffer(head.data(), static_cast<std::int64_t>(head.size()));
    const auto rowBytes = static_cast<std::int64_t>(bmp.RowBytes());
    if (bmp.FileInfo().TopDown) {
        stream.WriteBuffer(bmp.Bits().data(), static_cast<std::int64_t>(l.pixelBytes));
    } else {
        for (int y = bmp.Height() - 1; y >= 0; --y) stream.WriteBuffer(bmp.ScanLine(y), rowBytes);
    }
    const auto& profile = bmp.FileInfo().Profile;
    stream.WriteBuffer(profile.data(), static_cast<std::int64_t>(profile.size()));
}

void SaveBmpFile(const TBitmap& bmp, const AnsiString& fileName) { SaveBmpFile(bmp, fileName, {}); }

void SaveBmpFile(const TBitmap& bmp, const AnsiString& fileName, const rtl::TWrittenFileCheck& check) {
    const Shape shape = ShapeOf(bmp);
    const Layout l = MakeLayout(shape);
    const std::vector<std::uint8_t> head = HeadersFor(shape, l);
    // Written straight from the rows, without a copy of the whole file in memory.
    using Part = std::span<const std::uint8_t>;
    std::vector<Part> parts;
    parts.reserve(static_cast<std::size_t>(bmp.Height()) + 2);
    parts.emplace_back(head);
    if (bmp.FileInfo().TopDown) {
        parts.emplace_back(bmp.Bits());
    } else {
        for (int y = bmp.Height() - 1; y >= 0; --y) parts.emplace_back(bmp.ScanLine(y), bmp.RowBytes());
    }
    parts.emplace_back(bmp.FileInfo().Profile);
    rtl::SaveFileAtomically(fileName, parts, check);
}

}  // namespace bitmap
