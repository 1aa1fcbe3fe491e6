#pragma once
// The translation source: the text form of a language file that people write, review and diff.
// One UTF-8 file per language; resources/lang/README.md describes the syntax. The parser fills a
// fresh store (value slot 0 in the file's language) and answers the header; the writer prints a
// store's slot back in the canonical layout, so parse and write round-trip exactly.

#include <cstdint>
#include <string>
#include <string_view>

#include "langdata/LocLangFile.h"

namespace locstore {
class TLocStorage;
}

namespace langdata {

VLMRK_DECLARE_EXCEPTION(ELangSourceError, rtl::Exception);

VLMRK_RESSTRING(SLSSyntaxError, 65163, "LocLangFile", "%s(%d): %s");

// Parses source (UTF-8) into store, whose tree is cleared first; the items get the values, ids,
// revisions, flags and stamps the source gives, in the base value of each item, and the base
// language becomes the header's language. Names are converted to 8-bit text in the system code
// page. Raises ELangSourceError naming fileName and the line for anything it cannot take.
TLangFileHeader ParseLangSource(std::string_view source, const AnsiString& fileName, locstore::TLocStorage& store);

// Reads a source file (rtl::EFOpenError when it cannot be opened) and parses it.
TLangFileHeader LoadLangSource(const AnsiString& fileName, locstore::TLocStorage& store);

// Prints the header and the store's tree with the values of slot valueIndex as a source.
// The notations sources use for numbers and stamps, shared with the PO mapping: "0x%0*X", and
// the stamp's eight bytes in hexadecimal, lowest first.
std::string Hex(std::uint32_t v, int digits);
std::string StampText(std::uint64_t stamp);

std::string WriteLangSource(const TLangFileHeader& header, const locstore::TLocStorage& store, int valueIndex);

}  // namespace langdata
