#include "codec/StegoPayload.h"

#include "codec/PassphraseCrypto.h"
#include "codec/StegoCodec.h"
#include "platform/rtl/Conversions.h"

namespace codec {

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

}  // namespace codec
