#pragma once
// Resource blocks: the string tables (type 6) and the RCDATA resources (type 10) of one module,
// held in memory, read from a module file's resource tree or a loaded module, and written back
// as part of a resource section (TResProcessor, WinResProc.h, writes the whole image).
//
// Directory entries are written as readers of resource directories expect them: named entries
// first, sorted by name without regard to case, then numeric ids ascending. The blocks keep their
// own item order; only the directory's entries are sorted, each still pointing at its own data.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "modres/PEReader.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"

namespace modres {

VLMRK_RESSTRING(SInvalidResourceId, 65171, "WinResProc", "Invalid resource id \"%s\"");
VLMRK_RESSTRING(SResourceImageTooLarge, 65172, "WinResProc", "The resource image is too large");

class TResProcessor;

// Where the section is placed in the images we write.
inline constexpr std::uint32_t kResourceSectionRVA = 0x2000;

// AlignUp(A, B): A when A is a whole multiple of B, else the next multiple.
constexpr std::uint64_t AlignUp(std::uint64_t a, std::uint64_t b) { return a % b == 0 ? a : (a / b + 1) * b; }

// The time stamp of headers and directory tables: seconds from 1969-12-31 16:00:00 to the local
// date and time, to the nearest second. The clock can be fixed (tests); SOURCE_DATE_EPOCH, when
// set, is the time (read as UTC, so reproducible builds do not depend on the time zone).
std::uint32_t ResourceTimeStamp();
// Seconds since 1970-01-01 00:00:00 of the local date and time; an empty function restores the
// system clock.
using TResourceClock = std::function<std::int64_t()>;
void SetResourceClock(TResourceClock clock);

// Writes an image directory table header (16 bytes).
void WriteDirectoryHeader(rtl::TStream& stream, std::uint16_t named, std::uint16_t ids);

class TResBlock : public rtl::TObject {
public:
    explicit TResBlock(TResProcessor* parent) : Parent(parent) {}

    virtual int Count() const = 0;
    // Bytes in the resource section: directory tables, names and data.
    virtual std::uint64_t DataSize() const = 0;
    // 16 + 48 x the number of directory entries.
    virtual std::uint64_t DirectorySize() const = 0;
    virtual int ResType() const = 0;
    virtual void WriteToSection(rtl::TStream& stream, std::uint32_t offset) = 0;
    virtual void LoadFromPE(TPEResourceList& list) = 0;
    virtual void Clear() = 0;

    TResProcessor* Parent;
};

class TResStringItem : public rtl::TObject {
public:
    TResStringItem(std::int32_t id, WideString text) : Id(id), Text(std::move(text)) {}
    std::int32_t Id;
    WideString Text;
};

class TResString;

// One block of 16 strings of a string table.
class TResStringGroup : public rtl::TObject {
public:
    TResStringGroup(TResString* parent, std::int32_t id) : Parent(parent), Id(id) { Slots.fill(-1); }
    std::uint64_t DataSize() const;

    TResString* Parent;
    std::array<std::int32_t, 16> Slots;
    std::int32_t Id;  // block number: string id div 16 + 1
};

class TResString : public TResBlock {
public:
    using TResBlock::TResBlock;

    int Count() const override { return static_cast<int>(Strings.size()); }
    std::uint64_t DataSize() const override;
    std::uint64_t DirectorySize() const override { return 16 + 48ull * Groups.size(); }
    int ResType() const override { return 6; }
    void WriteToSection(rtl::TStream& stream, std::uint32_t offset) override;
    void LoadFromPE(TPEResourceList& list) override;
    void Clear() override;

    // Inserts the string in id order and answers its index, or -1 when the id is present already
    // (the existing text stays) or lies outside 0..65535 (string ids are 16-bit).
    int AddString(std::int32_t id, const WideString& text);
    int IndexOfId(std::int32_t id) const;
    TResStringItem* ItemAt(int index) const;
    // Reads one string-table block (up to 16 length-prefixed records) as block `blockNumber`.
    void ReadBlock(std::int32_t blockNumber, std::span<const std::uint8_t> data);

    std::vector<std::unique_ptr<TResStringItem>> Strings;
    std::vector<std::unique_ptr<TResStringGroup>> Groups;
};

class TResRCDataItem : public rtl::TObject {
public:
    TResRCDataItem(AnsiString name, bool isNumber) : Name(std::move(name)), IsNumber(isNumber) {}

    // Empties Data, then copies the whole of the stream (from its start) into it.
    void LoadData(rtl::TStream& stream);
    // Writes all of Data at the stream's position.
    void SaveData(rtl::TStream& stream);

    AnsiString Name;
    bool IsNumber;
    std::unique_ptr<rtl::TMemoryStream> Data = std::make_unique<rtl::TMemoryStream>();
};

class TResRCData : public TResBlock {
public:
    using TResBlock::TResBlock;

    int Count() const override { return static_cast<int>(Items.size()); }
    std::uint64_t DataSize() const override;
    std::uint64_t DirectorySize() const override { return 16 + 48ull * Items.size(); }
    int ResType() const override { return 10; }
    void WriteToSection(rtl::TStream& stream, std::uint32_t offset) override;
    void LoadFromPE(TPEResourceList& list) override;
    void Clear() override { Items.clear(); }

    std::uint64_t NamesSize() const;
    TResRCDataItem* AddItem(const AnsiString& name, bool isNumber);
    // First item whose name equals `name` without regard to ASCII case, or nullptr.
    TResRCDataItem* FindItem(const AnsiString& name) const;
    int IndexOfItem(const AnsiString& name) const;
    // An index outside the list raises the list index error.
    void DeleteItem(int index);
    void RemoveItem(const AnsiString& name);
    TResRCDataItem* ItemAt(int index) const;

    std::vector<std::unique_ptr<TResRCDataItem>> Items;
};

// The UTF-16 form of a resource name as written (system code page).
WideString ResourceNameText(const AnsiString& name);
// The 16-bit id of a numeric RCDATA name; raises EExeError for text that is not one.
std::uint16_t NumericResourceId(const AnsiString& name);

}  // namespace modres
