#pragma once
// TBitmap: an in-memory device-independent bitmap, standing in for the toolkit's bitmap.
//
// Pixels are kept in the layout of a Windows bitmap file: each row padded to a multiple of four
// bytes, 16-bit pixels as little-endian words, 24-bit pixels as blue, green, red. Rows are held
// top-down whatever the file's order, so ScanLine(0) is the top row as displayed. The bitmap
// remembers how its file was written (header version, row order, masks, resolution) so that
// saving writes the same format back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"

namespace bitmap {

using rtl::AnsiString;

VLMRK_RESSTRING(SInvalidBitmap, 65130, "Graphics", "Bitmap image is not valid");
VLMRK_RESSTRING(SBitmapTooLarge, 65131, "Graphics", "Bitmap image is too large");
VLMRK_RESSTRING(SUnsupportedBitmap, 65132, "Graphics", "Unsupported bitmap format");
VLMRK_RESSTRING(SBitmapEmpty, 65133, "Graphics", "Bitmap image is empty");
VLMRK_RESSTRING(SInvalidPixelFormat, 65134, "Graphics", "Invalid pixel format");
VLMRK_RESSTRING(SScanLineRange, 65135, "Graphics", "Scan line index out of range");

// Raised for every bitmap that cannot be read, made or written as asked.
VLMRK_DECLARE_EXCEPTION(EInvalidGraphic, rtl::Exception);

// The header versions of a bitmap file, by their size in bytes.
enum class TBmpHeader : std::uint32_t {
    Core = 12,   // OS/2 style: 16-bit sizes, 3-byte palette entries
    Info = 40,   // masks, when there are any, follow the header
    V2 = 52,     // red, green and blue masks inside the header
    V3 = 56,     // ... and the alpha mask
    V4 = 108,    // ... and colour space data
    V5 = 124,    // ... and rendering intent and colour profile
};

struct TColorMasks {
    std::uint32_t Red = 0;
    std::uint32_t Green = 0;
    std::uint32_t Blue = 0;
    std::uint32_t Alpha = 0;
    bool operator==(const TColorMasks&) const = default;
};

// A palette entry as stored in the file: blue, green, red, reserved.
struct TPaletteEntry {
    std::uint8_t Blue = 0;
    std::uint8_t Green = 0;
    std::uint8_t Red = 0;
    std::uint8_t Reserved = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

// What a bitmap file said beyond the pixels, kept so that saving writes it back.
struct TBmpFileInfo {
    TBmpHeader Header = TBmpHeader::Info;
    bool TopDown = false;
    bool AlphaBitFields = false;       // masks written as four values after an info header
    std::int32_t XPelsPerMeter = 0;
    std::int32_t YPelsPerMeter = 0;
    std::uint32_t ColorsImportant = 0;
    // Bytes 56 to the end of a V4 or V5 header (colour space, end points, gamma, intent; the
    // profile offset and size are rewritten on saving).
    std::vector<std::uint8_t> ColorSpace;
    std::vector<std::uint8_t> Profile;  // an embedded or linked colour profile, as read
};

class TBitmap {
public:
    // The largest number of pixels a bitmap may have, so that width x height fits a signed
    // 32-bit integer wherever it is computed.
    static constexpr std::int64_t MaxPixels = 0x7FFFFFFF;

    TBitmap() = default;  // empty
    // A bitmap of the given size and bits per pixel (1, 4, 8, 16, 24 or 32), all bytes zero.
    // Palette formats get a grey scale palette; 16 bits get no masks (5-5-5).
    TBitmap(int width, int height, int bitCount);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    TBitmap(TBitmap&&) noexcept = default;
    TBitmap& operator=(TBitmap&&) noexcept = default;
    ~TBitmap() = default;

    bool Empty() const { return width_ == 0 || height_ == 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    // Bytes of one row including the padding to four bytes; rows follow each other at this step.
    std::size_t RowBytes() const { return rowBytes_; }

    bool HasMasks() const { return hasMasks_; }
    const TColorMasks& Masks() const { return masks_; }
    // Bit-field masks, for 16 and 32 bits per pixel only. Raises when they are not valid
    // (see ValidMasks).
    void SetMasks(const TColorMasks& masks);
    void ClearMasks();
    // Each mask a contiguous run of bits inside the pixel, no two overlapping, and at least one
    // of red, green and blue present.
    static bool ValidMasks(const TColorMasks& masks, int bitCount) { return MasksFault(masks, bitCount).empty(); }
    // The code of the first rule the masks break ("bmp.masks.overlap", ...), empty when valid.
    static std::string_view MasksFault(const TColorMasks& masks, int bitCount);

    const std::vector<TPaletteEntry>& Palette() const { return palette_; }
    // For 1, 4 and 8 bits per pixel; at most 2^bits entries.
    void SetPalette(std::vector<TPaletteEntry> palette);

    // Row 0 is the top row as displayed. Raises when row is out of range.
    std::uint8_t* ScanLine(int row);
    const std::uint8_t* ScanLine(int row) const;
    std::span<std::uint8_t> Bits() { return {bits_.get(), BitsSize()}; }
    std::span<const std::uint8_t> Bits() const { return {bits_.get(), BitsSize()}; }

    TBmpFileInfo& FileInfo() { return info_; }
    const TBmpFileInfo& FileInfo() const { return info_; }

    void Clear() { *this = TBitmap(); }

    // Reads a bitmap file from the stream's position. On any error the bitmap is left as it was.
    void LoadFromStream(rtl::TStream& stream);
    void LoadFromFile(const AnsiString& fileName);
    // Writes the bitmap in its own format (header version, row order, masks). Saving to a file
    // writes a temporary file beside it and renames it over the target.
    void SaveToStream(rtl::TStream& stream) const;
    void SaveToFile(const AnsiString& fileName) const;
    // check runs on the complete temporary file before it replaces the target; when it raises,
    // the target is left as it was (rtl::SaveFileAtomically).
    void SaveToFile(const AnsiString& fileName, const rtl::TWrittenFileCheck& check) const;

    // The pixels as 32-bit blue, green, red, alpha, top row first, width x 4 bytes a row; out
    // must hold width x height x 4 bytes. Formats without alpha give 255; 32 bits without masks
    // ignore the fourth byte. Palette indexes past the palette give black.
    void ToBGRA(std::span<std::uint8_t> out) const;
    std::vector<std::uint8_t> ToBGRA() const;

    // Bytes of one row for the given width and bits per pixel, padded to four bytes.
    static std::uint64_t RowBytesFor(std::int64_t width, int bitCount);

private:
    friend class TBmpReader;
    std::size_t BitsSize() const { return rowBytes_ * static_cast<std::size_t>(height_); }
    // Sets size and format and allocates the pixels; zero-fills them only when asked, since a
    // reader overwrites every byte anyway.
    void Allocate(int width, int height, int bitCount, bool zeroFill);

    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 0;
    std::size_t rowBytes_ = 0;
    bool hasMasks_ = false;
    TColorMasks masks_;
    std::vector<TPaletteEntry> palette_;
    std::unique_ptr<std::uint8_t[]> bits_;
    TBmpFileInfo info_;
};

}  // namespace bitmap
