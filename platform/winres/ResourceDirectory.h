#pragma once
// The one walker of resource directories, shared by the module loader (WinRes, which indexes the
// whole tree when a module is loaded) and the module file reader (modres/PEReader, which builds
// its tree of lists and items on demand).
//
// A resource tree is a tree of directory tables. A table is 16 bytes (Characteristics,
// TimeDateStamp, MajorVersion, MinorVersion, NumberOfNamedEntries, NumberOfIdEntries) followed by
// its entries, 8 bytes each: Name (high bit set: offset of a counted UTF-16 name; clear: a 16-bit
// id) and OffsetToData (high bit set: offset of a table one level down; clear: offset of a
// 16-byte data entry: RVA, Size, CodePage, Reserved). Offsets count from the root table. The
// levels are type, name and language; the first language of a name is its resource.
//
// Every read is bounded by the resource section's bytes (the data by the image's); whatever
// points outside, loops back, nests too deeply or counts too much is a fault, never a read.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/winres/ByteCursor.h"
#include "platform/winres/PEImage.h"

namespace winres {

// What is wrong with a resource tree. Each has a stable code, for tests and tools, and a text.
enum class TDirFault {
    None,
    SectionOutside,    // the resource section does not lie in the file
    TableOutside,      // a directory table lies outside the resource section
    EntriesOutside,    // a table's entries run past the end of the section
    NameOutside,       // a string name lies outside the section
    DataEntryOutside,  // a data entry lies outside the section
    DataOutside,       // a resource's bytes lie outside the file
    Loop,              // a table leads back to one above it
    TooDeep,           // tables nested deeper than any image needs
    TooManyEntries,    // more entries than any image of ours holds
};
const char* DirFaultText(TDirFault fault);
const char* DirFaultCode(TDirFault fault);

// Where the root table of the resource tree lies and how far its section reaches in the file.
struct TResourceSection {
    std::uint32_t FileOffset = 0;  // of the root table
    std::uint32_t Rva = 0;         // of the root table
    std::uint32_t Size = 0;        // bytes from the root table to the end of its section, within the file
};

enum class TResourceLookup { Found, Missing, Outside };

// The tree the resource data directory names: where the loader finds resources. Missing when the
// image has no such directory (or an empty one); Outside when no section holds its root table.
TResourceLookup FindResourcesByDirectory(const TPEHeaders& headers, TBytes image, TResourceSection& where);
// The tree at the start of the section of that name (".rsrc"), as the module file reader looks
// first. Outside when the section's raw data starts past the end of the file.
TResourceLookup FindResourcesBySection(const TPEHeaders& headers, TBytes image, std::string_view name,
                                       TResourceSection& where);

// One 8-byte entry of a table.
struct TDirEntry {
    std::uint32_t Offset = 0;  // of the entry, from the root table
    std::uint32_t Name = 0;
    std::uint32_t OffsetToData = 0;

    bool HasId() const { return (Name & 0x80000000u) == 0; }
    // An id is 16 bits; what the upper half holds is not part of it (the platform ignores it too).
    std::uint16_t Id() const { return static_cast<std::uint16_t>(Name & 0xFFFF); }
    bool LeadsToTable() const { return (OffsetToData & 0x80000000u) != 0; }
    std::uint32_t Target() const { return OffsetToData & 0x7FFFFFFFu; }
};

struct TDataEntry {
    std::uint32_t Rva = 0;
    std::uint32_t Size = 0;
};

// Tables nested deeper than this are refused (images have three levels).
inline constexpr std::size_t kMaxTableDepth = 16;

class TResourceDirectory {
public:
    TResourceDirectory(TBytes image, const TPEHeaders& headers, const TResourceSection& where);

    // The section's bytes from the root table on.
    TBytes Region() const { return region_; }
    const TResourceSection& Where() const { return where_; }

    // Each call answers false, and sets Fault(), when what it reads is not there.
    [[nodiscard]] bool Entries(std::uint32_t table, std::vector<TDirEntry>& entries);
    // The first entry of a table; nothing for a table without entries.
    [[nodiscard]] bool FirstEntry(std::uint32_t table, std::optional<TDirEntry>& first);
    // An id, or the counted UTF-16 name the entry points at.
    [[nodiscard]] bool Name(const TDirEntry& entry, TResName& name);
    // Whether the entry leads to a table whose entries lead to tables again (a type, not a name);
    // an empty table counts as such.
    [[nodiscard]] bool LeadsToTables(const TDirEntry& entry, bool& result);
    // The table below the entry, refused when it is one of `path` (the tables from the root down
    // to the entry's own) or lies too deep.
    [[nodiscard]] bool Descend(const std::vector<std::uint32_t>& path, const TDirEntry& entry, std::uint32_t& table);
    // The data entry of a name's first language, or of the name itself when it points at data.
    // Nothing when the language table is empty or leads to a further level.
    [[nodiscard]] bool FirstLanguage(const TDirEntry& nameEntry, std::optional<TDataEntry>& data);
    // The file offset of a resource's bytes: in the resource section, else in any section.
    [[nodiscard]] bool DataOffset(const TDataEntry& data, std::uint32_t& fileOffset);

    TDirFault Fault() const { return fault_; }

private:
    bool Fail(TDirFault fault);
    bool TableCount(TByteCursor& cursor, std::uint32_t table, std::uint32_t& count);

    TBytes image_;
    const TPEHeaders& headers_;
    TResourceSection where_;
    TBytes region_;
    TDirFault fault_ = TDirFault::None;
};

// One resource: its type, its name and the bytes of its first language.
struct TResourceEntry {
    TResName Type;
    TResName Name;
    std::uint32_t Offset = 0;  // file offset of the data in the image
    std::uint32_t Size = 0;
};

// Upper bound on the resources one image may list: a hostile directory can make type entries
// share one huge name table, so the product of the counts is limited, not only each count.
inline constexpr std::size_t kMaxResources = 1u << 18;

// Reads the whole resource tree (types, names, first language) of an image located through the
// resource data directory. An image without resources gives an empty list. Answers false with a
// reason when any offset, size or name points outside the image, or the tree loops.
bool ReadResourceIndex(TBytes image, const TPEHeaders& headers, std::vector<TResourceEntry>& entries,
                       std::string& error);
// The same, answering which check refused the image (None when the index was read).
TDirFault IndexResources(TBytes image, const TPEHeaders& headers, std::vector<TResourceEntry>& entries);

}  // namespace winres
