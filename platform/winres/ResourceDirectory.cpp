#include "platform/winres/ResourceDirectory.h"

#include <algorithm>

namespace winres {

namespace {

constexpr std::uint32_t kTableHeaderSize = 16;
constexpr std::uint32_t kEntrySize = 8;
constexpr std::uint32_t kDataEntrySize = 16;

struct TFaultInfo {
    const char* Code;
    const char* Text;
};

TFaultInfo Info(TDirFault fault) {
    switch (fault) {
        case TDirFault::None: return {"", ""};
        case TDirFault::SectionOutside: return {"pe.section.outside", "the resource section lies outside the file"};
        case TDirFault::TableOutside: return {"pe.dir.outside", "a directory lies outside the resource section"};
        case TDirFault::EntriesOutside: return {"pe.dir.entries", "directory entries lie outside the resource section"};
        case TDirFault::NameOutside: return {"pe.name.outside", "a name lies outside the resource section"};
        case TDirFault::DataEntryOutside: return {"pe.data-entry.outside", "a data entry lies outside the resource section"};
        case TDirFault::DataOutside: return {"pe.data.outside", "resource data outside the file"};
        case TDirFault::Loop: return {"pe.dir.loop", "the directory tree loops back on itself"};
        case TDirFault::TooDeep: return {"pe.dir.deep", "the directory tree is too deep"};
        case TDirFault::TooManyEntries: return {"pe.dir.many", "too many directory entries"};
    }
    return {"", ""};
}

// The part of the file from `offset` to the end of the raw data that starts at `rawStart`.
std::uint32_t RawBytesFrom(TBytes image, std::uint64_t rawStart, std::uint32_t rawSize, std::uint64_t offset) {
    const std::uint64_t end = std::min<std::uint64_t>(rawStart + rawSize, image.size());
    return offset < end ? static_cast<std::uint32_t>(end - offset) : 0;
}

}  // namespace

const char* DirFaultText(TDirFault fault) { return Info(fault).Text; }
const char* DirFaultCode(TDirFault fault) { return Info(fault).Code; }

// ---- Locating the tree ------------------------------------------------------------------------

TResourceLookup FindResourcesByDirectory(const TPEHeaders& headers, TBytes image, TResourceSection& where) {
    if (headers.DataDirectories.size() <= static_cast<std::size_t>(kResourceDirectoryIndex)) return TResourceLookup::Missing;
    const std::uint32_t rva = headers.DataDirectories[kResourceDirectoryIndex].VirtualAddress;
    if (rva == 0) return TResourceLookup::Missing;
    // The tree may use the whole section that holds its root table.
    for (const auto& s : headers.Sections) {
        if (rva < s.VirtualAddress || std::uint64_t{rva} - s.VirtualAddress + kTableHeaderSize > s.SizeOfRawData) continue;
        const std::uint64_t root = std::uint64_t{s.PointerToRawData} + (rva - s.VirtualAddress);
        if (!InBounds(image, root, kTableHeaderSize)) continue;
        where = {static_cast<std::uint32_t>(root), rva, RawBytesFrom(image, s.PointerToRawData, s.SizeOfRawData, root)};
        return TResourceLookup::Found;
    }
    return TResourceLookup::Outside;
}

TResourceLookup FindResourcesBySection(const TPEHeaders& headers, TBytes image, std::string_view name,
                                       TResourceSection& where) {
    const TSectionHeader* s = FindSectionByName(headers, name);
    if (!s) return TResourceLookup::Missing;
    if (s->PointerToRawData > image.size()) return TResourceLookup::Outside;
    where = {s->PointerToRawData, s->VirtualAddress, RawBytesFrom(image, s->PointerToRawData, s->SizeOfRawData, s->PointerToRawData)};
    return TResourceLookup::Found;
}

// ---- The walker -------------------------------------------------------------------------------

TResourceDirectory::TResourceDirectory(TBytes image, const TPEHeaders& headers, const TResourceSection& where)
    : image_(image), headers_(headers), where_(where) {
    if (InBounds(image, where.FileOffset, where.Size)) region_ = image.subspan(where.FileOffset, where.Size);
}

bool TResourceDirectory::Fail(TDirFault fault) {
    fault_ = fault;
    return false;
}

// Leaves the cursor on the table's first entry, all of whose entries were checked to fit.
bool TResourceDirectory::TableCount(TByteCursor& cursor, std::uint32_t table, std::uint32_t& count) {
    std::uint16_t named = 0, ids = 0;
    if (!cursor.Seek(table) || !cursor.Skip(12) || !cursor.ReadU16(named) || !cursor.ReadU16(ids))
        return Fail(TDirFault::TableOutside);
    count = std::uint32_t{named} + ids;
    if (!InBounds(region_, cursor.Position(), std::uint64_t{kEntrySize} * count)) return Fail(TDirFault::EntriesOutside);
    return true;
}

bool TResourceDirectory::Entries(std::uint32_t table, std::vector<TDirEntry>& entries) {
    TByteCursor cursor(region_);
    std::uint32_t count = 0;
    if (!TableCount(cursor, table, count)) return false;
    entries.assign(count, TDirEntry{});
    for (auto& e : entries) {
        e.Offset = static_cast<std::uint32_t>(cursor.Position());
        if (!cursor.ReadU32(e.Name) || !cursor.ReadU32(e.OffsetToData)) return Fail(TDirFault::EntriesOutside);
    }
    return true;
}

bool TResourceDirectory::FirstEntry(std::uint32_t table, std::optional<TDirEntry>& first) {
    TByteCursor cursor(region_);
    std::uint32_t count = 0;
    if (!TableCount(cursor, table, count)) return false;
    first.reset();
    if (count == 0) return true;
    TDirEntry e;
    e.Offset = static_cast<std::uint32_t>(cursor.Position());
    if (!cursor.ReadU32(e.Name) || !cursor.ReadU32(e.OffsetToData)) return Fail(TDirFault::EntriesOutside);
    first = e;
    return true;
}

bool TResourceDirectory::Name(const TDirEntry& entry, TResName& name) {
    if (entry.HasId()) {
        name = TResName(entry.Id());
        return true;
    }
    TByteCursor cursor(region_);
    std::u16string text;
    if (!cursor.Seek(entry.Name & 0x7FFFFFFFu) || !cursor.ReadCountedUtf16(text)) return Fail(TDirFault::NameOutside);
    name = TResName(std::move(text));
    return true;
}

bool TResourceDirectory::LeadsToTables(const TDirEntry& entry, bool& result) {
    result = false;
    if (!entry.LeadsToTable()) return true;
    std::optional<TDirEntry> first;
    if (!FirstEntry(entry.Target(), first)) return false;
    result = !first || first->LeadsToTable();
    return true;
}

bool TResourceDirectory::Descend(const std::vector<std::uint32_t>& path, const TDirEntry& entry, std::uint32_t& table) {
    table = entry.Target();
    if (std::find(path.begin(), path.end(), table) != path.end()) return Fail(TDirFault::Loop);
    if (path.size() >= kMaxTableDepth) return Fail(TDirFault::TooDeep);
    return true;
}

bool TResourceDirectory::FirstLanguage(const TDirEntry& nameEntry, std::optional<TDataEntry>& data) {
    data.reset();
    std::uint32_t at = nameEntry.OffsetToData;  // a data entry straight below the name
    if (nameEntry.LeadsToTable()) {
        std::optional<TDirEntry> language;
        if (!FirstEntry(nameEntry.Target(), language)) return false;
        if (!language || language->LeadsToTable()) return true;  // a fourth level is not a resource
        at = language->OffsetToData;
    }
    TByteCursor cursor(region_);
    TDataEntry d;
    if (!InBounds(region_, at, kDataEntrySize) || !cursor.Seek(at) || !cursor.ReadU32(d.Rva) || !cursor.ReadU32(d.Size))
        return Fail(TDirFault::DataEntryOutside);
    data = d;
    return true;
}

bool TResourceDirectory::DataOffset(const TDataEntry& data, std::uint32_t& fileOffset) {
    // Data normally lies in the resource section itself, at the root's offset plus its distance
    // from the root's address.
    if (data.Rva >= where_.Rva && InBounds(region_, data.Rva - where_.Rva, data.Size)) {
        fileOffset = where_.FileOffset + (data.Rva - where_.Rva);
        return true;
    }
    if (auto offset = RvaToOffset(headers_, image_, data.Rva, data.Size)) {
        fileOffset = *offset;
        return true;
    }
    return Fail(TDirFault::DataOutside);
}

// ---- The whole index, as the loader keeps it ------------------------------------------------------

namespace {

// Adds the resources of one type: its names and their first languages.
bool IndexType(TResourceDirectory& dir, const TResName& type, std::uint32_t nameTable,
               std::vector<TResourceEntry>& entries) {
    std::vector<TDirEntry> names;
    if (!dir.Entries(nameTable, names)) return false;
    for (const auto& n : names) {
        TResName name;
        std::optional<TDataEntry> data;
        if (!dir.Name(n, name) || !dir.FirstLanguage(n, data)) return false;
        if (!data) continue;
        std::uint32_t offset = 0;
        if (!dir.DataOffset(*data, offset)) return false;
        if (entries.size() >= kMaxResources) return false;
        entries.push_back(TResourceEntry{type, std::move(name), offset, data->Size});
    }
    return true;
}

}  // namespace

TDirFault IndexResources(TBytes image, const TPEHeaders& headers, std::vector<TResourceEntry>& entries) {
    entries.clear();
    TResourceSection where;
    switch (FindResourcesByDirectory(headers, image, where)) {
        case TResourceLookup::Found: break;
        case TResourceLookup::Missing: return TDirFault::None;
        case TResourceLookup::Outside: return TDirFault::TableOutside;
    }
    TResourceDirectory dir(image, headers, where);
    auto fail = [&](TDirFault fault) {
        entries.clear();
        return fault;
    };
    std::vector<TDirEntry> types;
    if (!dir.Entries(0, types)) return fail(dir.Fault());
    const std::vector<std::uint32_t> rootPath{0};
    for (const auto& t : types) {
        TResName type;
        if (!dir.Name(t, type)) return fail(dir.Fault());
        if (!t.LeadsToTable()) continue;  // a type must lead to a table of names
        std::uint32_t nameTable = 0;
        if (!dir.Descend(rootPath, t, nameTable)) return fail(dir.Fault());
        if (!IndexType(dir, type, nameTable, entries))
            return fail(dir.Fault() == TDirFault::None ? TDirFault::TooManyEntries : dir.Fault());
    }
    return TDirFault::None;
}

bool ReadResourceIndex(TBytes image, const TPEHeaders& headers, std::vector<TResourceEntry>& entries,
                       std::string& error) {
    const TDirFault fault = IndexResources(image, headers, entries);
    if (fault == TDirFault::None) return true;
    error = DirFaultText(fault);
    return false;
}

}  // namespace winres
