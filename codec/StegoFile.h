#pragma once
// The Encrypt and Decrypt commands on bitmap files, at the cost of the text rather than of the
// image: the hidden bytes lie in the top rows, so only those rows are read (reveal) or read and
// rewritten (hide); capacity reads the headers alone. Results, files and errors are the same as
// loading the whole bitmap, running the codec and saving it.
//
// Files the codec cannot use (palette formats, 5-5-5, masked 32 bits) and run-length files, which
// can only be checked by decoding them, go the whole way: they are loaded as a bitmap.

#include <cstdint>
#include <memory>
#include <optional>

#include "codec/StegoCodec.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/BmpStream.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;

class TCarrierFile {
public:
    // Opens the file and reads its headers; every file the bitmap loader refuses is refused here,
    // with the same error.
    explicit TCarrierFile(const AnsiString& fileName);

    // As Capacity() and CarrierBytesPerPixel() of the loaded bitmap, and its format.
    std::int32_t Capacity() const;
    int CarrierBytes() const { return carrierBytes_; }
    int Width() const;
    int Height() const;
    int BitCount() const;
    bool HasMasks() const;
    // As EncryptText (or EncryptTextWithPassphrase when a passphrase is given) on the loaded
    // bitmap followed by SaveHiddenTextVerified to outName: the written file replaces outName
    // only when the rows read back from it hold what was stored.
    void Hide(const AnsiString& memoText, const AnsiString& outName, TEmbedding how = TEmbedding::Replacement,
              const std::optional<AnsiString>& passphrase = std::nullopt);
    // As DecryptText on the loaded bitmap. Text is what the codec answers when the result is
    // true; when false it may be anything.
    bool Reveal(AnsiString& text);

    // True when the codec's work is done on the top rows alone, false when the file is loaded
    // whole for it.
    bool ByRows() const { return carrierBytes_ != 0 && !whole_; }

private:
    // The top `rows` rows as a bitmap of their own, in the file's format.
    bitmap::TBitmap TopRows(int rows);
    // Rows that hold the stored bytes up to the first zero byte (all rows when there is none);
    // 0 when the stored bytes do not start with the signature, so that the codec finds no text.
    int RowsHoldingText();
    bitmap::TBitmap& Whole();
    // The verified save's check on the rows that hold the stored bytes of data.
    rtl::TWrittenFileCheck StoredCheck(const AnsiString& data, const AnsiString& outName) const;

    std::unique_ptr<bitmap::TBmpRowReader> reader_;
    std::optional<bitmap::TBitmap> whole_;
    AnsiString fileName_;
    int carrierBytes_ = 0;  // bytes per pixel of a format the codec uses, else 0
};

}  // namespace codec
