#pragma once
// Writes language files of format versions 1 to 7. A version gets only what it carries: no Flags
// words in version 1, no values for properties of kinds other than 2 and 4 up to version 3, no
// Build before 5, no external section before 7. Used by the translation compiler and by tests.
//
// TLangFileWriter writes record by record, in file order, so a caller can lay out any file
// (tests make unusual and damaged ones with it); WriteLanguageFile writes a whole store.

#include <cstdint>
#include <vector>

#include "langdata/LocLangFile.h"
#include "platform/rtl/Streams.h"

namespace locstore {
class TLocStorage;
}

namespace langdata {

VLMRK_RESSTRING(SLWBadFormat, 65162, "LocLangFile", "Language files of format %d cannot be written (1 to 7 can)");

class TLangFileWriter {
public:
    // Raises ELangFileError for a format outside 1 to 7.
    TLangFileWriter(rtl::TStream& out, int formatVersion);

    int FormatVersion() const { return fv_; }
    // The header with this writer's format version (header.FormatVersion is not used).
    void WriteHeader(const TLangFileHeader& header);
    // Section and record counts.
    void WriteCount(std::uint16_t count) { out_.WriteU16(count); }
    // Unit, form and component records: the name and, from version 2 on, the flags.
    void WriteContainer(const AnsiString& name, std::uint16_t flags);
    // External group record head: the flags are always present.
    void WriteGroup(const AnsiString& name, std::uint16_t flags);
    void WriteConstant(const AnsiString& name, std::uint16_t flags, std::uint16_t resourceId, std::uint32_t id,
                       const WideString& text, std::int32_t revision, std::uint64_t stamp);
    // The value is given as text, as the store holds it: kind 0 is read as a number, kind 1 as
    // a 32-bit integer (0 when the text is none), kinds 2 and 4 are written as they are.
    void WriteProperty(const AnsiString& name, std::uint16_t flags, std::uint32_t id, std::uint32_t kind,
                       const WideString& value, std::int32_t revision, std::uint64_t stamp);
    void WriteEntry(const AnsiString& name, std::uint16_t flags, std::uint32_t id, const WideString& text,
                    std::int32_t revision, std::uint64_t stamp);

private:
    rtl::TStream& out_;
    int fv_;
};

// Writes the store's tree with the values of slot valueIndex (and their revisions, flags and
// stamps) in store order. Items whose kind the format cannot carry are written without a value.
void WriteLanguageFile(rtl::TStream& out, const TLangFileHeader& header, const locstore::TLocStorage& store,
                       int valueIndex, int formatVersion = LangFileMaxFormat);

// The same into memory, optionally LZK-compressed.
std::vector<std::uint8_t> MakeLanguageFile(const TLangFileHeader& header, const locstore::TLocStorage& store,
                                           int valueIndex, int formatVersion = LangFileMaxFormat, bool lzk = false);

}  // namespace langdata
