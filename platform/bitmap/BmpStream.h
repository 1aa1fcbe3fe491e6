#pragma once
// A bitmap file read row by row, and copies of one written with a few rows replaced.
//
// For callers that need a few rows of a large picture (the hidden text lies in the top rows):
// TBmpRowReader reads and checks the headers exactly as the loader of whole bitmaps does and
// then reads only the bytes asked for. SaveBmpWithRows writes what saving the loaded bitmap
// would write, byte for byte, but copies the rows it does not replace straight from file to
// file (copy_file_range, so file systems that share extents may do so) instead of loading them.
//
// Only uncompressed files can be read by rows; run-length files must be loaded whole.

#include <cstdint>
#include <span>

#include "platform/bitmap/BmpFile.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

namespace bitmap {

class TBmpRowReader {
public:
    // Opens the file (EFOpenError as the loader) and reads its headers; raises EInvalidGraphic
    // for every file the loader refuses, except run-length data, which it does not decode (see
    // RowsReadable).
    explicit TBmpRowReader(const AnsiString& fileName);

    const AnsiString& FileName() const { return fileName_; }
    const TBmpHeaders& Headers() const { return headers_; }
    int Width() const { return headers_.Width; }
    int Height() const { return headers_.Height; }
    std::size_t RowBytes() const { return static_cast<std::size_t>(headers_.RowBytes); }
    bool RowsReadable() const { return !headers_.RunLength(); }

    // Bytes [offset, offset + dest.size()) of row `row` (0 = the top row as displayed).
    void ReadRowPart(int row, std::uint64_t offset, std::span<std::uint8_t> dest);
    // Rows [top, top + count) into dest, top row first, RowBytes() each.
    void ReadRows(int top, int count, std::span<std::uint8_t> dest);

    // Where row `row` starts in the file, from the file's first byte.
    std::uint64_t RowOffset(int row) const;
    // The open file, for copies from it.
    int Handle() const { return file_.Handle(); }

private:
    AnsiString fileName_;
    rtl::TFileStream file_;
    TBmpHeaders headers_;
};

// Writes fileName as saving the loaded source would, with rows [top, top + rows.size() /
// RowBytes()) replaced by `rows` (top row first). Written to a temporary file and renamed over
// fileName, so a failure leaves the old file as it was; check, when given, runs on the written
// temporary file first (rtl::SaveFileAtomically).
void SaveBmpWithRows(const TBmpRowReader& source, int top, std::span<const std::uint8_t> rows,
                     const AnsiString& fileName, const rtl::TWrittenFileCheck& check = {});

}  // namespace bitmap
