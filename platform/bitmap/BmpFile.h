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

}  // namespace bitmap
