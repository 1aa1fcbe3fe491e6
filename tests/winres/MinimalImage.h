#pragma once
// A tiny builder of PE images for the tests of the resource readers: just enough headers, one
// section, and a resource tree laid out by hand, with every offset named so a test can point one
// of them somewhere it should not go.
//
// File layout: DOS header (e_lfanew = kNt), NT headers at kNt (PE32, 16 data directories), one
// section header, and the section's raw data at kSectionFile, loaded at kSectionRva.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/winres/ResourceDirectory.h"

namespace minimal_image {

inline constexpr std::uint32_t kNt = 0x40;
inline constexpr std::uint32_t kOptionalHeader = kNt + 24;
inline constexpr std::uint32_t kOptionalHeaderSize = 0xE0;
inline constexpr std::uint32_t kResourceDataDirectory = kOptionalHeader + 96 + 8 * 2;  // VirtualAddress, Size
inline constexpr std::uint32_t kSectionHeader = kOptionalHeader + kOptionalHeaderSize;
inline constexpr std::uint32_t kSectionFile = 0x200;
inline constexpr std::uint32_t kSectionRva = 0x1000;

inline void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    if (b.size() < at + 2) b.resize(at + 2);
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// The resource section's content, appended piece by piece; every call answers the offset of
// what it wrote (from the section's start, which is where the root table goes).
struct TSectionWriter {
    std::vector<std::uint8_t> Bytes;

    std::uint32_t Here() const { return static_cast<std::uint32_t>(Bytes.size()); }
    std::uint32_t Table(std::uint16_t named, std::uint16_t ids) {
        std::uint32_t at = Here();
        Bytes.resize(at + 16, 0);
        Put16(Bytes, at + 12, named);
        Put16(Bytes, at + 14, ids);
        return at;
    }
    std::uint32_t Entry(std::uint32_t name, std::uint32_t offsetToData) {
        std::uint32_t at = Here();
        Put32(Bytes, at, name);
        Put32(Bytes, at + 4, offsetToData);
        return at;
    }
    std::uint32_t DataEntry(std::uint32_t rva, std::uint32_t size) {
        std::uint32_t at = Here();
        Put32(Bytes, at, rva);
        Put32(Bytes, at + 4, size);
        Put32(Bytes, at + 8, 0);
        Put32(Bytes, at + 12, 0);
        return at;
    }
    std::uint32_t Name(const std::u16string& text) {
        std::uint32_t at = Here();
        Put16(Bytes, at, static_cast<std::uint16_t>(text.size()));
        for (char16_t c : text) Put16(Bytes, Here(), static_cast<std::uint16_t>(c));
        return at;
    }
    std::uint32_t Raw(const std::vector<std::uint8_t>& data) {
        std::uint32_t at = Here();
        Bytes.insert(Bytes.end(), data.begin(), data.end());
        return at;
    }
};

// A whole image around a section; `dataDirectory` false leaves the resource data directory empty.
inline std::vector<std::uint8_t> BuildImage(const std::vector<std::uint8_t>& section, const std::string& sectionName = ".rsrc",
                                            bool dataDirectory = true) {
    std::vector<std::uint8_t> b(kSectionFile, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 60, kNt);
    b[kNt] = 'P';
    b[kNt + 1] = 'E';
    Put16(b, kNt + 4, 0x014C);  // Machine
    Put16(b, kNt + 6, 1);       // NumberOfSections
    Put16(b, kNt + 20, kOptionalHeaderSize);
    Put16(b, kOptionalHeader, 0x10B);
    Put32(b, kOptionalHeader + 92, 16);  // NumberOfRvaAndSizes
    if (dataDirectory) {
        Put32(b, kResourceDataDirectory, kSectionRva);
        Put32(b, kResourceDataDirectory + 4, static_cast<std::uint32_t>(section.size()));
    }
    for (std::size_t i = 0; i < sectionName.size() && i < 8; ++i) b[kSectionHeader + i] = static_cast<std::uint8_t>(sectionName[i]);
    Put32(b, kSectionHeader + 8, static_cast<std::uint32_t>(section.size()));   // VirtualSize
    Put32(b, kSectionHeader + 12, kSectionRva);                                  // VirtualAddress
    Put32(b, kSectionHeader + 16, static_cast<std::uint32_t>(section.size()));  // SizeOfRawData
    Put32(b, kSectionHeader + 20, kSectionFile);                                 // PointerToRawData
    b.insert(b.end(), section.begin(), section.end());
    return b;
}

// The usual three-level tree: one string-table block (type 6, block 1: position 0 "Hi") and one
// named RCDATA resource (type 10, "FORM", 3 bytes). The offsets of its parts, from the root.
struct TTree {
    std::uint32_t Root = 0;
    std::uint32_t StringTypeEntry = 0, RCDataTypeEntry = 0;
    std::uint32_t StringNames = 0, RCDataNames = 0;                // name tables
    std::uint32_t StringNameEntry = 0, RCDataNameEntry = 0;
    std::uint32_t StringLanguages = 0, RCDataLanguages = 0;        // language tables
    std::uint32_t StringDataEntry = 0, RCDataDataEntry = 0;
    std::uint32_t FormName = 0;
    std::uint32_t StringData = 0, RCDataData = 0;
    std::vector<std::uint8_t> Section;

    std::vector<std::uint8_t> Image(const std::string& sectionName = ".rsrc") const { return BuildImage(Section, sectionName); }
    // The section with one 32-bit field changed.
    TTree With(std::uint32_t at, std::uint32_t value) const {
        TTree copy = *this;
        Put32(copy.Section, at, value);
        return copy;
    }
};

inline constexpr std::uint32_t kTable = 0x80000000u;  // OffsetToData: a table follows
inline constexpr std::uint32_t kNamed = 0x80000000u;  // Name: a string name

inline TTree StandardTree() {
    TTree t;
    TSectionWriter w;
    t.Root = w.Table(0, 2);
    t.StringTypeEntry = w.Entry(6, 0);
    t.RCDataTypeEntry = w.Entry(10, 0);
    t.StringNames = w.Table(0, 1);
    t.StringNameEntry = w.Entry(1, 0);
    t.RCDataNames = w.Table(1, 0);
    t.RCDataNameEntry = w.Entry(0, 0);
    t.StringLanguages = w.Table(0, 1);
    w.Entry(0x409, 0);
    t.RCDataLanguages = w.Table(0, 1);
    w.Entry(0x409, 0);
    t.StringDataEntry = w.DataEntry(0, 0);
    t.RCDataDataEntry = w.DataEntry(0, 0);
    t.FormName = w.Name(u"FORM");
    // Position 0 "Hi", position 1 empty.
    t.StringData = w.Raw({2, 0, 'H', 0, 'i', 0, 0, 0});
    t.RCDataData = w.Raw({'T', 'P', 'F'});
    auto& b = w.Bytes;
    Put32(b, t.StringTypeEntry + 4, kTable | t.StringNames);
    Put32(b, t.RCDataTypeEntry + 4, kTable | t.RCDataNames);
    Put32(b, t.StringNameEntry + 4, kTable | t.StringLanguages);
    Put32(b, t.RCDataNameEntry, kNamed | t.FormName);
    Put32(b, t.RCDataNameEntry + 4, kTable | t.RCDataLanguages);
    Put32(b, t.StringLanguages + 16 + 4, t.StringDataEntry);
    Put32(b, t.RCDataLanguages + 16 + 4, t.RCDataDataEntry);
    Put32(b, t.StringDataEntry, kSectionRva + t.StringData);
    Put32(b, t.StringDataEntry + 4, 8);
    Put32(b, t.RCDataDataEntry, kSectionRva + t.RCDataData);
    Put32(b, t.RCDataDataEntry + 4, 3);
    t.Section = std::move(w.Bytes);
    return t;
}

// A damaged tree and the check both readers must refuse it with.
struct THostileTree {
    const char* What;
    TTree Tree;
    winres::TDirFault Fault;
};

// Types sharing one huge table of names: few bytes, more resources than any image holds.
inline TTree SharedNameTables() {
    TTree t;
    TSectionWriter w;
    const std::uint16_t count = 0xFFFF;
    w.Table(0, count);
    const std::uint32_t names = 16 + 8u * count;
    for (std::uint32_t i = 0; i < count; ++i) w.Entry(i, kTable | names);
    w.Table(0, count);
    const std::uint32_t languages = names + 16 + 8u * count;
    for (std::uint32_t i = 0; i < count; ++i) w.Entry(i, kTable | languages);  // all share one language
    w.Table(0, 1);
    w.Entry(0, languages + 24);
    w.DataEntry(kSectionRva, 4);
    t.Section = std::move(w.Bytes);
    return t;
}

inline std::vector<THostileTree> HostileTrees() {
    using winres::TDirFault;
    const TTree t = StandardTree();
    const auto end = static_cast<std::uint32_t>(t.Section.size());
    return {
        {"a type leads to a table far outside", t.With(t.StringTypeEntry + 4, kTable | 0x7FFFFF00u), TDirFault::TableOutside},
        {"a type leads to a table just past the end", t.With(t.StringTypeEntry + 4, kTable | (end - 8)), TDirFault::TableOutside},
        {"a table claims more entries than fit", t.With(t.StringNames + 12, 0xFFFF0000u), TDirFault::EntriesOutside},
        {"a table's two counts add up past the end", t.With(t.Root + 12, 0xFFFFFFFFu), TDirFault::EntriesOutside},
        {"a string name lies outside", t.With(t.RCDataNameEntry, kNamed | 0x7FFFFFF0u), TDirFault::NameOutside},
        {"a string name runs past the end", t.With(t.FormName, 0x0046FFFFu), TDirFault::NameOutside},
        {"a language leads to a data entry outside", t.With(t.StringLanguages + 20, 0x7FFFFFF0u), TDirFault::DataEntryOutside},
        {"a data entry is cut by the end", t.With(t.StringLanguages + 20, end - 8), TDirFault::DataEntryOutside},
        {"a resource's size runs past the file", t.With(t.StringDataEntry + 4, 0x10000000u), TDirFault::DataOutside},
        {"a resource's address lies in no section", t.With(t.RCDataDataEntry, 0x10u), TDirFault::DataOutside},
        {"a type leads back to the root", t.With(t.StringTypeEntry + 4, kTable | t.Root), TDirFault::Loop},
        {"types share one huge table of names", SharedNameTables(), TDirFault::TooManyEntries},
    };
}

}  // namespace minimal_image
