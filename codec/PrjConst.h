#pragma once
// The main window's message strings. Their ids and identifiers are the keys under which the
// language files carry their translations (group "PrjConst"), so neither may change.

#include "platform/rtl/ResString.h"

namespace codec {

VLMRK_RESSTRING(SYouMustLoadABitm, 65232, "PrjConst", "You must load a bitmap to encrypt the text");
VLMRK_RESSTRING(STextEncryptionFail, 65233, "PrjConst", "Text Encryption Faild, No Image to Encrypt");
VLMRK_RESSTRING(SAllFieldsClearRe, 65234, "PrjConst", "All fields clear, Ready to Work");
VLMRK_RESSTRING(STextDecryptionFini, 65235, "PrjConst", "Text Decryption Finished");
VLMRK_RESSTRING(SYouMustLoadAnEnc, 65236, "PrjConst", "You must load an encrypt bitmap to decrypt the hidden text");
VLMRK_RESSTRING(STextDecryptionFail, 65237, "PrjConst", "Text Decryption Failed, No Image to Encrypt From");
VLMRK_RESSTRING(SCannotEncryptLess, 65238, "PrjConst", "Cannot encrypt less than 16-bit color bmp's !");
VLMRK_RESSTRING(SReady, 65239, "PrjConst", "Ready");
VLMRK_RESSTRING(SCannotEncryptLess1, 65240, "PrjConst", "Cannot encrypt less than 16-bit color bmp's !");
VLMRK_RESSTRING(STooLongStringToE, 65241, "PrjConst", "Too long string to encrypt (Max: %d, Actual: %d)");
VLMRK_RESSTRING(STheMaximumNumberC, 65242, "PrjConst", "The maximum number characters to encrypt in this image is: ");
VLMRK_RESSTRING(SYouTextWasEncrypt, 65263, "PrjConst", "Your Text Was Encrypted into Image");

// Said once when the windows cannot be built from the remembered language's module.
VLMRK_RESSTRING(SModuleDoesNotFit, 65201, "PrjConst",
                "The language module \"%s\" does not fit this version of Veilmark; the program starts in its own language");

}  // namespace codec
