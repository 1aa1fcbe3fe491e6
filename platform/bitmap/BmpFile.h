#pragma once
// Reading and writing Windows bitmap files (.bmp).
//
// Read: the core header and the info, V2, V3, V4 and V5 headers; 1, 4 and 8 bits with a palette,
// RLE8 and RLE4 (decoded to 8 and 4 bits), 16 bits as 5-5-5 or with bit-field masks, 24 bits,
// 32 bits with or without masks; rows bottom-up or top-down. Every field is checked against the
// bytes actually present before anything is allocated or read, so a damaged or hostile file ends
// in EInvalidGraphic and never in a read past the data or an allocation the file cannot back.
//
// Written: the bitmap's own format as remembered in its TBmpFileInfo (run-length data is written
// uncompressed).

#include <cstdint>
#include <vector>

#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"

namespace bitmap {

// What a bitmap file says before its pixels, read and checked by ReadBmpHeaders. Both the reader
// of whole bitmaps and the row-by-row reader (BmpStream.h) start here, so a file is refused the
// same way whichever reads it.
struct TBmpHeaders {
    int Width = 0;
    int Height = 0;  // rows, whatever their order
    int BitCount = 0;
    std::uint32_t Compression = 0;  // as in the file (0 uncompressed, 1 RLE8, 2 RLE4, 3 and 6 masks)
    bool HasMasks = false;
    TColorMasks Masks;
    std::vector<TPaletteEntry> Palette;
    TBmpFileInfo Info;              // Profile stays empty: its bytes lie after the pixels
    std::int64_t Start = 0;         // the file's first byte in the stream
    std::int64_t Available = 0;     // bytes from Start to the end of the stream
    std::uint32_t OffBits = 0;      // the first pixel byte, from Start
    std::uint32_t SizeImage = 0;
    std::uint64_t RowBytes = 0;
    std::int64_t ProfileAt = 0;     // from Start; only when ProfileSize is not 0
    std::uint32_t ProfileSize = 0;

    bool RunLength() const { return Compression == 1 || Compression == 2; }
    std::uint64_t PixelBytes() const { return RowBytes * static_cast<std::uint64_t>(Height); }
};

// Reads and checks the file header, the info header, the masks and the palette at the stream's
// position; raises EInvalidGraphic as the reader of whole bitmaps does.
TBmpHeaders ReadBmpHeaders(rtl::TStream& stream);
// The checks of what follows the headers, for uncompressed pixels and for the colour profile.
void CheckPixelExtent(const TBmpHeaders& headers);
void CheckProfileExtent(const TBmpHeaders& headers);

class TBmpReader {
public:
    // Reads one bitmap file starting at the stream's position; afterwards the stream stands
    // after the last byte that belonged to the file.
    static TBitmap Read(rtl::TStream& stream);
};

inline TBitmap ReadBmp(rtl::TStream& stream) { return TBmpReader::Read(stream); }
void WriteBmp(const TBitmap& bmp, rtl::TStream& stream);
// Writes the file beside the target and renames it over the target.
void SaveBmpFile(const TBitmap& bmp, const AnsiString& fileName);
// The same, with a check of the written file before the rename (see rtl::SaveFileAtomically).
void SaveBmpFile(const TBitmap& bmp, const AnsiString& fileName, const rtl::TWrittenFileCheck& check);

// The file header, info header, masks and palette that WriteBmp writes before the pixels.
std::vector<std::uint8_t> EncodeBmpHeaders(const TBitmap& bmp);
// The same for a file read by ReadBmpHeaders whose profile (profileSize bytes) is written back:
// exactly what saving the loaded bitmap writes before its pixels.
std::vector<std::uint8_t> EncodeBmpHeaders(const TBmpHeaders& headers, std::uint64_t profileSize);

}  // namespace bitmap
