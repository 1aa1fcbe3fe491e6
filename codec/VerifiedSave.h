#pragma once
// Saving an image that carries hidden text, with proof: the image goes to a temporary file beside
// the target, the file is read back as a bitmap, and the bytes stored in its carrier bits must be
// exactly what the codec was asked to store (signature, data, zero byte). Only then does the file
// replace the target. On any difference, or when the written file cannot be read, the target is
// left as it was and the error says so.

#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/SysTypes.h"

namespace codec {

using rtl::AnsiString;

VLMRK_RESSTRING(SSaveNotVerified, 65320, "VerifiedSave",
                "The written image does not give back the hidden text; %s was left unchanged");

// data is what was handed to InsertStegography. beforeCompare, when given, runs on the written
// temporary file before it is read back (tests inject failures there).
void SaveHiddenTextVerified(const bitmap::TBitmap& bmp, const AnsiString& fileName, const AnsiString& data,
                            const rtl::TWrittenFileCheck& beforeCompare = {});

}  // namespace codec
