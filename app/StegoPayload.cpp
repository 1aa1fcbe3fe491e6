#include "app/StegoPayload.h"

#include "app/PassphraseCrypto.h"
#include "app/StegoCodec.h"
#include "platform/rtl/Conversions.h"

namespace app {

AnsiString EncryptPayload(const AnsiString& memoText) { return AnsiString(StegoSignature) + rtl::Trim(memoText); }

AnsiString EncryptText(bitmap::TBitmap& bmp, const AnsiString& memoText, TEmbedding how) {
    AnsiString data = EncryptPayload(memoText);
    InsertStegography(bmp, data, how);
    return data;
}

AnsiString EncryptTextWithPassphrase(bitmap::TBitmap& bmp, const AnsiString& memoText, const AnsiString& passphrase,
                                     TEmbedding how) {
    AnsiString data = AnsiString(StegoSignature) + SealText(rtl::Trim(memoText), passphrase);
    InsertStegography(bmp, data, how);
    return data;
}

bool DecryptText(const bitmap::TBitmap& bmp, AnsiString& text) { return ExtractStegography(bmp, text); }

}  // namespace app
