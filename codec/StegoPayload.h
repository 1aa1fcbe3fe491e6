#pragma once
// What the Encrypt and Decrypt commands store and show, shared by the main window and the tool.
//
// Encrypt trims the memo text (characters up to and including 32 at both ends, inner line
// breaks stay) and puts the signature in front; the codec adds it once more, so a carrier image
// starts with the signature twice. Decrypt shows what the codec found after the signatures.

#include "codec/StegoCodec.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;

// The data the Encrypt command hands to InsertStegography for the given memo text.
AnsiString EncryptPayload(const AnsiString& memoText);

// Encrypt without the window: hides the memo text in the bitmap, or raises as the codec does.
// Answers the data handed to the codec (what a verified save compares).
AnsiString EncryptText(bitmap::TBitmap& bmp, const AnsiString& memoText,
                       TEmbedding how = TEmbedding::Replacement);

// The same with the trimmed text encrypted under the passphrase (PassphraseCrypto.h) first.
AnsiString EncryptTextWithPassphrase(bitmap::TBitmap& bmp, const AnsiString& memoText, const AnsiString& passphrase,
                                     TEmbedding how = TEmbedding::Matching);

// Decrypt without the window: true with the hidden text when the image carries one.
bool DecryptText(const bitmap::TBitmap& bmp, AnsiString& text);

}  // namespace codec
