#pragma once
// Settings records: the RCDATA resources QVT_EXESETTINGS_ (magic "KEXE") and QVT_LIBSETTINGS_
// (magic "LDLL") that say which language and project version a module's resources belong to.
//
//   magic[4] | u32 Version | u16 LanguageId | u16 n, n bytes EnglishName (8-bit)
//   | u16 m, m UTF-16 units NativeName | u16 CopiedWord | u16 reserved | u32 Build | u8 0
//
// One reader for every user. The reserved word of the records we write carries a 16-bit
// fingerprint of the program's native resources (NativeResourcesFingerprint), which tells a
// language module built by another build of the program; 0 means "no fingerprint".

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace modres {

using rtl::AnsiString;
using rtl::WideString;

class TResProcessor;

inline constexpr char kExeSettingsName[] = "QVT_EXESETTINGS_";
inline constexpr char kLibSettingsName[] = "QVT_LIBSETTINGS_";
inline constexpr char kLangPackName[] = "QVT_LOC_LANGS_";
inline constexpr char kExeSettingsMagic[] = "KEXE";
inline constexpr char kLibSettingsMagic[] = "LDLL";

// The program's own records.
inline constexpr std::uint32_t kProjectVersion = 53;
inline constexpr std::uint16_t kNativeLanguageId = 9;
inline constexpr std::uint16_t kNativeCopiedWord = 6;

struct TSettingsRecord {
    AnsiString Magic;
    std::uint32_t Version = 0;
    std::uint32_t LanguageId = 0;
    AnsiString EnglishName;
    WideString NativeName;
    std::optional<std::uint16_t> CopiedWord;   // present when 2 bytes follow the names
    std::optional<std::uint16_t> Reserved;     // present when 4 bytes follow the names
    std::uint32_t Build = 0;
    bool HasBuild = false;
};

// Reads a record from the stream's start. Fields are stored as they are read, so a record cut
// short raises the stream's read error with the earlier fields filled. Build is read only when
// more than 4 bytes follow the names (it lies after the two 16-bit words); otherwise it is 0.
void ReadSettingsRecord(rtl::TStream& stream, TSettingsRecord& record);

// A fresh record: 22 + n + 2m + 1 bytes (44 for "English"/"English").
std::vector<std::uint8_t> WriteSettingsRecord(const AnsiString& magic, std::uint32_t version, std::uint16_t languageId,
                                              const AnsiString& englishName, const WideString& nativeName,
                                              std::uint16_t copiedWord, std::uint16_t reserved, std::uint32_t build);

// The fingerprint of a module's native resources: FNV-1a (32-bit) over every string (id and
// text, ascending ids) and every form resource (RCDATA beginning with "TPF0": upper-cased name
// and bytes, by name), folded to 16 bits by XOR of the halves; never 0. Settings records and the
// language pack are not forms, so they never count.
std::uint16_t NativeResourcesFingerprint(const TResProcessor& processor);
// The same for a processor that LoadFromModule has just filled and nothing has changed yet.
// The program's own image carries it in its settings record, written from these very resources
// when the image was built (AddProgramSettings), and the module reuse check compares modules with
// that record: it is taken from there. Any other module's resources, and an image whose record
// has none, are worked out.
std::uint16_t LoadedResourcesFingerprint(const TResProcessor& justLoaded);

// Adds (or replaces) the two settings records of the program image, carrying the fingerprint of
// what the processor holds at the time of the call.
void AddProgramSettings(TResProcessor& processor);

}  // namespace modres
