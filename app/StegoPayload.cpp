#include "app/StegoPayload.h"

#include "app/StegoCodec.h"
#include "platform/rtl/Conversions.h"

namespace app {

AnsiString EncryptPayload(const AnsiString& memoText) { return AnsiString(StegoSignature) + rtl::Trim(memoText); }

void EncryptText(bitmap::TBitmap& bmp, const AnsiString& memoText) { InsertStegography(bmp, EncryptPayload(memoText)); }

bool DecryptText(const bitmap::TBitmap& bmp, AnsiString& text) { return ExtractStegography(bmp, text); }

}  // namespace app
