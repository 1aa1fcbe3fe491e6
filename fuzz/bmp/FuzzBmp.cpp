// The BMP reader on hostile bytes: load, draw (expand to BGRA), write back and read again, and
// the codec on whatever loaded. Every failure must be EInvalidGraphic or the codec's own error.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "codec/StegoCodec.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    rtl::TReadOnlyStream in(std::span<const std::uint8_t>(data, size));
    bitmap::TBitmap bmp;
    try {
        bmp.LoadFromStream(in);
    } catch (const bitmap::EInvalidGraphic&) {
        return 0;
    }
    (void)bmp.ToBGRA();
    rtl::TMemoryStream out;
    bmp.SaveToStream(out);
    out.SetPosition(0);
    bitmap::TBitmap again;
    again.LoadFromStream(out);  // what we wrote must read back
    if (again.Width() != bmp.Width() || again.Height() != bmp.Height() || again.BitCount() != bmp.BitCount())
        std::abort();
    rtl::AnsiString text;
    try {
        codec::ExtractStegography(bmp, text);
        codec::InsertStegography(bmp, "fuzz");
    } catch (const rtl::Exception&) {
    }
    return 0;
}
