#include "resources/messages/MessageCatalog.h"

// One include per unit that declares messages, and its lines in the table below. A test scans the
// sources for VLMRK_RESSTRING and fails when a declaration is missing here. Keep each unit's lines
// under its own comment.
#include "platform/rtl/RtlConsts.h"
#include "platform/registry/Registry.h"
#include "modres/PEReader.h"
#include "modres/WinResReader.h"
#include "modres/LocFormProc.h"
#include "langdata/LocLangFile.h"
#include "platform/rtti/RttiConsts.h"
#include "platform/bitmap/Bitmap.h"
#include "codec/HiddenText.h"
#include "codec/PrjConst.h"
#include "app/OpenFilters.h"
#include "app/Accessible.h"
#include "codec/PassphraseCrypto.h"
#include "app/PassphrasePrompt.h"
#include "codec/StegoRandom.h"
#include "codec/VerifiedSave.h"
#include "locstore/LocStorage.h"
#include "locstore/KStrings.h"
#include "langdata/kcompress/kcompress.h"
#include "langdata/LocLangFile.h"
#include "langdata/LangPack.h"
#include "langdata/LangFileWriter.h"
#include "langdata/LangSource.h"
#include "langdata/PoFile.h"
#include "langdata/LangPo.h"
#include "localizer/LocOnFly.h"
#include "platform/ui/UiConsts.h"

namespace messages {

namespace {
constexpr const rtl::TResStringRec* kAll[] = {
    // platform/rtl
    &rtl::SListIndexError, &rtl::SReadError, &rtl::SWriteError, &rtl::SFOpenErrorEx, &rtl::SFCreateErrorEx,
    &rtl::SInvalidInteger, &rtl::SInvalidFormat, &rtl::SMemoryStreamError, &rtl::SInvalidFloat,
    &rtl::SReadErrorProp,
    // platform/rtti
    &rtti::SClassNotFound, &rtti::SInvalidImage, &rtti::SUnknownProperty, &rtti::SInvalidPropertyValue,
    &rtti::SMethodNotFound, &rtti::SDuplicateName, &rtti::SAssignError, &rtti::SStreamTooDeep,
    &rtti::SAncestorNotFound, &rtti::SUnknownValueType,
    // platform/bitmap
    &bitmap::SInvalidBitmap, &bitmap::SBitmapTooLarge, &bitmap::SUnsupportedBitmap, &bitmap::SBitmapEmpty,
    &bitmap::SInvalidPixelFormat, &bitmap::SScanLineRange,
    // platform/winres, platform/registry
    &registry::SRegCreateKeyFailed, &registry::SRegSetDataFailed,
    // locstore/KStrings
    &locstore::SKStringsNotHexDigit,
    // locstore/LocStorage
    &locstore::SLocStorageEmptyDictionary, &locstore::SLocStorageCannotAddLanguage,
    // langdata/kcompress
    &langdata::SKCSourceNotDefined, &langdata::SKCDestNotDefined, &langdata::SKCWrongStreamFormat,
    // langdata/LocLangFile
    &langdata::SLFInvalidNativeDLL, &langdata::SLFErrorSavingDLL,
    &langdata::SLFInvalidFileFormat, &langdata::SLFNewerFormat, &langdata::SLFInvalidLocStorage,
    &langdata::SLFInvalidIndex, &langdata::SLPNotAPack, &langdata::SLPBlockTooLarge, &langdata::SLPTooManyLanguages,
    &langdata::SLWBadFormat, &langdata::SLSSyntaxError,
    // gettext PO files (units PoFile and LangPo)
    &langdata::SPoUnterminatedString, &langdata::SPoUnknownEscape, &langdata::SPoUnexpectedLine,
    &langdata::SPoInvalidUtf8, &langdata::SPoDuplicateEntry, &langdata::SPoNoCharset, &langdata::SPoUnsupportedCharset,
    &langdata::SPoLineTooLong, &langdata::SPoIncompleteEntry, &langdata::SPoUnknownEntry, &langdata::SPoNotInCodePage,
    &langdata::SPoPlaceholders, &langdata::SPoBadHeaderField, &langdata::SPoNoLanguage, &langdata::SPoOtherBaseText,
    &langdata::SPoBadComment,
    &langdata::SInvalidVazozoResource,  // the localizer's message (unit LocOnFly), raised by the pack reader
    // modres
    &modres::SCouldNotOpenFile, &modres::SMapViewOfFileFailed, &modres::SUnrecognizedFileFormat, &modres::SNotPEFile,
    &modres::SNoResources, &modres::SNotAList, &modres::SDamagedResources, &modres::SInvalidResourceId,
    &modres::SResourceImageTooLarge, &modres::SCantFindRCDataBlock,
    // localizer
    &localizer::SLocCanNotDeleteFile, &localizer::SLocLangFileNotFound, &localizer::SLocPathNotExist,
    &localizer::SLocNotInitialized, &localizer::SLocLanguageNotFound, &localizer::SLocModuleRefused,
    &localizer::SLocLangFileDamaged,
    // app (PrjConst and the windows)
    &codec::SYouMustLoadABitm, &codec::STextEncryptionFail, &codec::SAllFieldsClearRe, &codec::STextDecryptionFini,
    &codec::SYouMustLoadAnEnc, &codec::STextDecryptionFail, &codec::SCannotEncryptLess, &codec::SReady,
    &codec::SCannotEncryptLess1, &codec::STooLongStringToE, &codec::STheMaximumNumberC, &codec::SYouTextWasEncrypt,
    &codec::SModuleDoesNotFit, &codec::SCannotHideCharacter,
    &app::SBitmapFilesFilter, &app::SAllFilesFilter, &app::SAboutCloseName,
    // app: passphrase encryption, its prompts, the codec's random source, the verified save
    &codec::SPassphraseWrong, &codec::SSealedTextDamaged, &codec::SSealedTextTruncated, &codec::SSealedTextVersion,
    &codec::SSealedTextNeedsPassphrase, &codec::SPassphraseEmpty, &codec::SKeyDerivationFailed, &codec::SCryptoUnavailable,
    &codec::SSaveNotVerified, &app::SPassphraseCaption, &app::SPassphraseEnter, &app::SPassphraseAgain,
    &codec::SRandomSourceFailed, &app::SPassphrasesDiffer,
    // platform/ui
    &ui::SMsgDlgWarning, &ui::SMsgDlgError, &ui::SMsgDlgInformation, &ui::SMsgDlgConfirm, &ui::SResNotFound,
    &ui::SComponentMissing,
};
}  // namespace

std::span<const rtl::TResStringRec* const> AllMessages() { return kAll; }

}  // namespace messages
