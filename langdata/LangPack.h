#pragma once
// The language pack: the program's built-in translations, a directory of languages followed by
// one language file per language, each block normally an LZK stream.
//
//   "KLL", u16 pack version, u32 project version (skipped by readers), u16 language count,
//   directory: u16 language id [, packed 8-bit English name (version >= 3)]
//              [, packed wide native name (version >= 4)]  -- names use the variable-length prefix
//   blocks:    u16 (version < 2) or u32 block size, then that many bytes
//
// The first entry is the native language. Versions 0 and 1 read alike; a version above 4 is
// refused with the language file's "newer format" message (docs/formats/langpack.md).

#include <cstdint>
#include <span>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace langdata {

using rtl::AnsiString;
using rtl::WideString;

// Raised for a pack whose blocks run past its end. The localizer shows it like its own errors.
VLMRK_DECLARE_EXCEPTION(ELangPackError, rtl::Exception);

// The localizer's message for a damaged pack; declared here because the pack reader raises it.
VLMRK_RESSTRING(SInvalidVazozoResource, 65281, "LocOnFly", "Invalid VAZOZO resource");
// Messages of the pack inspection and writing (build tools).
VLMRK_RESSTRING(SLPNotAPack, 65159, "LangPack", "The data is not a language pack");
VLMRK_RESSTRING(SLPBlockTooLarge, 65160, "LangPack", "A language block of %u bytes does not fit pack version %d");
VLMRK_RESSTRING(SLPTooManyLanguages, 65161, "LangPack", "Too many languages for one pack (%u)");

inline constexpr std::uint16_t LangPackVersion = 4;

// Options of ReadLanguagePack, as the controller passes them.
inline constexpr unsigned lpoAddToCatalogue = 1;  // the caller catalogues the directory entries
inline constexpr unsigned lpoHeaderOnly = 2;      // read the directory only

struct TLangPackEntry {
    std::uint16_t LanguageId = 0;
    AnsiString EnglishName;
    WideString NativeName;
    bool IsFirst = false;  // the pack's native language
};

// Reads the pack's directory into *directory (when given; names the pack lacks are supplied from
// the locale tables) and, unless lpoHeaderOnly is set or dest is null, copies the language file
// of the wanted language (0 = the first) into dest from position 0, decompressing an LZK block.
// Answers whether the language was written. Bytes that are no pack (no "KLL") and languages the
// pack lacks answer false. A block cut short raises ELangPackError "Invalid VAZOZO resource", a
// pack version above LangPackVersion ELangPackError with SLFNewerFormat; a directory cut short
// raises the stream's read error.
bool ReadLanguagePack(std::span<const std::uint8_t> pack, std::uint32_t languageId, unsigned options,
                      rtl::TStream* dest, std::vector<TLangPackEntry>* directory = nullptr);

// The layout of a pack, for inspection: every entry with its block's place and size, checked
// against the pack's length (ELangPackError when a block is cut short or the bytes are no pack).
struct TLangPackBlockInfo {
    TLangPackEntry Entry;
    std::uint32_t BlockSize = 0;
    std::uint64_t Offset = 0;  // of the block's data within the pack
};
struct TLangPackLayout {
    std::uint16_t PackVersion = 0;
    std::uint32_t ProjectVersion = 0;
    std::vector<TLangPackBlockInfo> Blocks;
};
TLangPackLayout ReadLangPackLayout(std::span<const std::uint8_t> pack);

// One language for the writer: directory names and the block bytes as they are to be stored.
struct TLangPackItem {
    std::uint16_t LanguageId = 0;
    AnsiString EnglishName;
    WideString NativeName;
    std::vector<std::uint8_t> Block;
};

// Writes a pack of the given version (1 to 4; a later one is refused by the readers) with the
// items in order, the first being the native language. Raises ELangPackError when a block does not fit a 16-bit size (version 1) or
// there are more than 65535 languages.
void WriteLanguagePack(rtl::TStream& out, const std::vector<TLangPackItem>& items, std::uint32_t projectVersion,
                       std::uint16_t packVersion = LangPackVersion);

}  // namespace langdata
