#include "codec/VerifiedSave.h"

#include "codec/StegoCodec.h"
#include "platform/rtl/Exception.h"

namespace codec {

namespace {

bool HoldsStored(const AnsiString& writtenFile, const AnsiString& stored) {
    try {
        bitmap::TBitmap back;
        back.LoadFromFile(writtenFile);
        return ReadStoredBytes(back, stored.size()) == stored;
    } catch (const rtl::Exception&) {
        return false;  // unreadable or of another format: it does not hold the text either
    }
}

}  // namespace

void SaveHiddenTextVerified(const bitmap::TBitmap& bmp, const AnsiString& fileName, const AnsiString& data,
                            const rtl::TWrittenFileCheck& beforeCompare) {
    AnsiString stored(StegoSignature);
    stored += data;
    stored.push_back('\0');
    bmp.SaveToFile(fileName, [&](const AnsiString& writtenFile) {
        if (beforeCompare) beforeCompare(writtenFile);
        if (!HoldsStored(writtenFile, stored))
            throw rtl::Exception(rtl::Exception::CreateResFmt, SSaveNotVerified, {fileName});
    });
}

}  // namespace codec
