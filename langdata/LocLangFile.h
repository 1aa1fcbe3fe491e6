#pragma once
// TLangFile: the language file ("LF", format versions 1 to 7, stored plain or as an LZK stream).
// It reads the header to describe a language and reads the body into the translation store:
// either a structure load (store index -1: the file defines the items and their base values) or
// a matching load (the file's records are matched to the items by id, or by name on request,
// and fill one further value slot).
//
// Every file is read into memory and closed within the call that reads it; no handle stays open.
// The bytes are treated as hostile: every count and length is checked against what is left, so a
// damaged file ends in ELangFileError or the stream's read error, never in a read past the end.
//
// The module builder (LocLangFileBuild.cpp) makes a language module from the native resources:
// the string tables and form resources translated into one value slot of a loaded store, the
// language pack and the program's settings record dropped, and the library settings record
// rewritten for the language. The image is assembled in memory and only then saved, through a
// temporary file that is renamed over the module, so a failed build never leaves a module behind.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"
#include "platform/winres/WinRes.h"

namespace locstore {
class TLocStorage;
}

namespace modres {
class TResProcessor;
}

namespace langdata {

using rtl::AnsiString;
using rtl::WideString;

VLMRK_DECLARE_EXCEPTION(ELangFileError, rtl::Exception);

VLMRK_RESSTRING(SLFInvalidFileFormat, 65155, "LocLangFile", "Invalid file format");
VLMRK_RESSTRING(SLFNewerFormat, 65156, "LocLangFile",
                "The language file can not be read. You need to download the latest Vorerure Vorarod");
VLMRK_RESSTRING(SLFInvalidLocStorage, 65157, "LocLangFile", "Invalid LocStorage");
VLMRK_RESSTRING(SLFInvalidIndex, 65158, "LocLangFile", "Invalid index");
VLMRK_RESSTRING(SLFInvalidNativeDLL, 65164, "LocLangFile", "Can't create DLL. The native DLL is invalid");
VLMRK_RESSTRING(SLFErrorSavingDLL, 65165, "LocLangFile", "Error saving language DLL");
// Followed by the name of the settings resource when it cannot be added under its name.
inline constexpr char kLFNameNotSaved[] = "Name is not saved correctly - ";

inline constexpr std::uint16_t LangFileMagic = 0x464C;  // "LF" as a little-endian word
inline constexpr int LangFileMaxFormat = 7;

// Option bits of the header.
inline constexpr std::uint16_t lfoBiDiMode = 0x0002;        // reading order of forms is processed
inline constexpr std::uint16_t lfoUseOutdated = 0x0100;     // translations count even when out of date

// Reading options of the load operations (distinct from the header's option bits).
inline constexpr unsigned lroMatchByName = 1;  // match translation records by names, not ids
inline constexpr unsigned lroReplaceIds = 2;   // structure load: an id already in use becomes 0

// Size of the compressed prefix that is decompressed to read the header of an LZK file.
inline constexpr std::int64_t LangFileHeaderPrefix = 2048;

// The header fields, in file order. Absent fields of older formats hold their defaults.
struct TLangFileHeader {
    std::uint16_t FormatVersion = LangFileMaxFormat;
    std::uint32_t Version = 0;
    std::uint32_t Build = 0;                // format 5 and later
    std::uint16_t LanguageId = 0;
    std::uint16_t BasedOnLanguageId = 0;    // format 3 and later
    AnsiString EnglishName;
    WideString NativeName;
    bool IsNative = false;
    std::uint16_t Options = 0;              // format 2 and later
    std::uint32_t MaxConstantId = 0;
    std::uint32_t MaxPropertyId = 0;
    std::uint32_t MaxExternalId = 0;        // format 7 and later
};

// Reads and checks a header from the stream's position (no LZK handling here). Raises
// ELangFileError for a wrong magic or format, the stream's read error when it is cut short.
void ReadLangFileHeader(rtl::TStream& stream, TLangFileHeader& header);

// Whether the stream starts with an LZK stream's magic; the position is kept.
bool IsLZKLangStream(rtl::TStream& stream);
// Decompresses the whole LZK stream source (from position 0) into dest at dest's position.
void DecompressLangStream(rtl::TStream& source, rtl::TStream& dest);

class TLangFile : public rtl::TObject {
public:
    TLangFile();
    // Reads the header when the file exists; a missing file keeps the defaults. A file that exists
    // but fails the header checks raises the same error as ReadHeader.
    TLangFile(const AnsiString& fileName, bool readOnly);
    ~TLangFile() override;

    void Reset();
    // Reads and checks the header from position 0 (decompressing an LZK stream first) and stores
    // the fields unless discard. Answers the position after the header (in the decompressed bytes
    // for an LZK stream).
    int ReadHeader(rtl::TStream& stream, bool discard);
    // Fails with "Invalid LocStorage" without a store, "Invalid index" for a slot beyond the
    // store's languages; a negative index clears the store's tree. Answers the slot (0 for -1).
    int PrepareStore(locstore::TLocStorage* store, int languageIndex);
    void LoadFromStream(rtl::TStream& stream, locstore::TLocStorage* store, unsigned options, int languageIndex);
    void LoadFromFile(locstore::TLocStorage* store, int languageIndex, unsigned options);
    void ReadBody(rtl::TStream& stream, locstore::TLocStorage* store, bool discard, unsigned options,
                  int languageIndex);

    bool HasOption(std::uint16_t mask) const { return (Options_ & mask) != 0; }

    // Module builder. The native resources come from nativeModule when given (0 is the program's
    // own module), else from the module file nativeFileName. Without a store only the settings
    // record is rewritten. LanguageIndex names the store slot of this file's language. With
    // flushNow false the module file is not waited on to reach the disk: the caller flushes it
    // (rtl::FlushFileToDisk) once the user has what he waits for.
    void BuildLanguageModule(std::optional<winres::HMODULE> nativeModule, const AnsiString& moduleFileName,
                             locstore::TLocStorage* store, const AnsiString& nativeFileName,
                             bool flushNow = true) const;
    void WriteLanguageModule(std::optional<winres::HMODULE> nativeModule, rtl::TStream& dest,
                             locstore::TLocStorage* store, const AnsiString& nativeFileName) const;
    // Whether the processor holds a valid library settings record; its copied word goes out.
    bool ReadNativeSettings(modres::TResProcessor& processor, std::uint16_t& copiedWord) const;
    // Message strings and forms in the language of slot LanguageIndex.
    void TranslateResources(modres::TResProcessor& processor, locstore::TLocStorage& store) const;
    void RemovePackResources(modres::TResProcessor& processor) const;
    // Rewrites QVT_LIBSETTINGS_ for this language; reserved is the native resources' fingerprint.
    void WriteSettings(modres::TResProcessor& processor, std::uint16_t copiedWord, std::uint16_t reserved = 0) const;
    TLangFileHeader Header() const;

    std::uint16_t FormatVersion() const { return FormatVersion_; }
    std::uint32_t LanguageId() const { return LanguageId_; }
    void SetLanguageId(std::uint32_t id) { LanguageId_ = id; }
    std::uint32_t Version() const { return Version_; }
    const AnsiString& EnglishName() const { return EnglishName_; }
    const WideString& NativeName() const { return NativeName_; }
    bool IsNative() const { return IsNative_; }
    const AnsiString& FileName() const { return FileName_; }
    std::uint32_t MaxConstantId() const { return MaxConstantId_; }
    void SetMaxConstantId(std::uint32_t v) { MaxConstantId_ = v; }
    std::uint32_t MaxPropertyId() const { return MaxPropertyId_; }
    void SetMaxPropertyId(std::uint32_t v) { MaxPropertyId_ = v; }
    std::uint32_t MaxExternalId() const { return MaxExternalId_; }
    void SetMaxExternalId(std::uint32_t v) { MaxExternalId_ = v; }
    bool Modified() const { return Modified_; }
    std::uintptr_t KeyboardLayout() const { return KeyboardLayout_; }
    std::uint16_t Options() const { return Options_; }
    std::uint16_t BasedOnLanguageId() const { return BasedOnLanguageId_; }
    std::uint32_t ReplacementLanguageId() const { return ReplacementLanguageId_; }
    bool AskReplacement() const { return AskReplacement_; }
    std::uint32_t Build() const { return Build_; }
    std::int32_t LanguageIndex() const { return LanguageIndex_; }
    void SetLanguageIndex(std::int32_t index) { LanguageIndex_ = index; }
    int FileHandle() const { return FileHandle_; }
    bool ReadOnly() const { return ReadOnly_; }
    bool Compressed() const { return Compressed_; }

private:
    void StoreHeader(const TLangFileHeader& header);
    void ReadHeaderAtCreation();

    std::uint16_t FormatVersion_ = LangFileMaxFormat;
    std::uint32_t LanguageId_ = 0;
    std::uint32_t Version_ = 0;
    AnsiString EnglishName_;
    WideString NativeName_;
    bool IsNative_ = false;
    AnsiString FileName_;
    std::uint32_t MaxConstantId_ = 0;
    std::uint32_t MaxPropertyId_ = 0;
    std::uint32_t MaxExternalId_ = 0;
    bool Modified_ = false;
    std::uintptr_t KeyboardLayout_ = 0;  // kept for the record's sake; this platform has no per-thread layout
    std::uint16_t Options_ = 0;
    std::uint16_t BasedOnLanguageId_ = 0;
    std::uint32_t ReplacementLanguageId_ = 0;
    bool AskReplacement_ = true;
    std::uint32_t Build_ = 0;
    std::int32_t LanguageIndex_ = 0;
    int FileHandle_ = -1;
    bool ReadOnly_ = false;
    bool Compressed_ = false;
};

}  // namespace langdata
