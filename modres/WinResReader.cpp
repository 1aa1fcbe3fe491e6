#include "modres/WinResReader.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/rtl/Conversions.h"
#include "platform/winres/StringBlock.h"
#include "platform/winres/WinRes.h"

namespace modres {

namespace {

TResourceClock& Clock() {
    static TResourceClock clock;
    return clock;
}

// SOURCE_DATE_EPOCH as the reproducible-builds convention defines it: decimal seconds.
std::optional<std::int64_t> SourceDateEpoch() {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (!text || !*text) return std::nullopt;
    std::int64_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || value > (INT64_MAX - 9) / 10) return std::nullopt;
        value = value * 10 + (*p - '0');
    }
    return value;
}

std::int64_t LocalSeconds() {
    if (const auto& clock = Clock()) return clock();
    if (auto epoch = SourceDateEpoch()) return *epoch;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    std::time_t t = now.tv_sec + (now.tv_nsec >= 500000000 ? 1 : 0);
    std::tm local{};
    ::localtime_r(&t, &local);
    return static_cast<std::int64_t>(t) + local.tm_gmtoff;
}

// The order directory entries are written in: named first, by name without regard to case, then
// ids ascending. `keys` holds, per item, the name (empty optional for an id) and the id.
struct TEntryKey {
    bool Named;
    WideString Name;
    std::uint32_t Id;
};

std::vector<std::size_t> DirectoryOrder(const std::vector<TEntryKey>& keys) {
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const auto& x = keys[a];
        const auto& y = keys[b];
        if (x.Named != y.Named) return x.Named;
        if (!x.Named) return x.Id < y.Id;
        return std::lexicographical_compare(x.Name.begin(), x.Name.end(), y.Name.begin(), y.Name.end(),
                                            [&](char16_t p, char16_t q) { return upper(p) < upper(q); });
    });
    return order;
}

std::uint32_t Checked32(std::uint64_t value) {
    if (value > 0x7FFFFFFFull) throw EExeError(EExeError::CreateRes, SResourceImageTooLarge);
    return static_cast<std::uint32_t>(value);
}

void WriteWide(rtl::TStream& stream, const WideString& text) {
    if (text.size() > 0xFFFF) throw EExeError(EExeError::CreateRes, SResourceImageTooLarge);
    // One write for the length and the text (a module holds thousands of them), little-endian.
    std::vector<std::uint8_t> bytes(2 + 2 * text.size());
    bytes[0] = static_cast<std::uint8_t>(text.size());
    bytes[1] = static_cast<std::uint8_t>(text.size() >> 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        bytes[2 + 2 * i] = static_cast<std::uint8_t>(text[i]);
        bytes[3 + 2 * i] = static_cast<std::uint8_t>(text[i] >> 8);
    }
    stream.WriteBytes(bytes);
}

// The language directories and data entries shared by both block kinds (steps 3 and 4).
void WriteLanguagesAndDataEntries(rtl::TStream& stream, std::uint32_t offset, const std::vector<std::uint64_t>& sizes,
                                  std::uint64_t dataStart) {
    const std::uint64_t n = sizes.size();
    for (std::uint64_t i = 0; i < n; ++i) {
        WriteDirectoryHeader(stream, 0, 1);
        stream.WriteU32(0);  // neutral language
        stream.WriteU32(Checked32(offset + 16 + 32 * n + 16 * i));
    }
    std::uint64_t at = dataStart;
    for (std::uint64_t i = 0; i < n; ++i) {
        stream.WriteU32(Checked32(kResourceSectionRVA + at));
        stream.WriteU32(Checked32(sizes[i]));
        stream.WriteU32(0);
        stream.WriteU32(0);
        at += sizes[i];
    }
}

}  // namespace

std::uint32_t ResourceTimeStamp() {
    // 1969-12-31 16:00:00 lies 8 hours before the usual epoch.
    return static_cast<std::uint32_t>(LocalSeconds() + 8 * 3600);
}

void SetResourceClock(TResourceClock clock) { Clock() = std::move(clock); }

void WriteDirectoryHeader(rtl::TStream& stream, std::uint16_t named, std::uint16_t ids) {
    stream.WriteU32(0);  // Characteristics
    stream.WriteU32(ResourceTimeStamp());
    stream.WriteU16(0);  // MajorVersion
    stream.WriteU16(0);  // MinorVersion
    stream.WriteU16(named);
    stream.WriteU16(ids);
}

WideString ResourceNameText(const AnsiString& name) { return winres::AnsiToWide(name, winres::SystemCodePage()); }

std::uint16_t NumericResourceId(const AnsiString& name) {
    std::int32_t value = 0;
    if (!rtl::TryStrToInt(name, value) || value < 0 || value > 0xFFFF)
        throw EExeError(EExeError::CreateResFmt, SInvalidResourceId, {name});
    return static_cast<std::uint16_t>(value);
}

// ---- Strings ----------------------------------------------------------------------------------

std::uint64_t TResStringGroup::DataSize() const {
    std::uint64_t size = 0;
    for (std::int32_t id : Slots) {
        size += 2;
        if (id < 0) continue;
        if (TResStringItem* item = Parent->ItemAt(Parent->IndexOfId(id))) size += 2ull * item->Text.size();
    }
    return size;
}

std::uint64_t TResString::DataSize() const {
    std::uint64_t size = DirectorySize();
    for (const auto& g : Groups) size += g->DataSize();
    return size;
}

void TResString::Clear() {
    Strings.clear();
    Groups.clear();
}

int TResString::AddString(std::int32_t id, const WideString& text) {
    if (id < 0 || id > 0xFFFF) return -1;
    auto pos = std::lower_bound(Strings.begin(), Strings.end(), id,
                                [](const std::unique_ptr<TResStringItem>& item, std::int32_t v) { return item->Id < v; });
    if (pos != Strings.end() && (*pos)->Id == id) return -1;
    int index = static_cast<int>(pos - Strings.begin());
    Strings.insert(pos, std::make_unique<TResStringItem>(id, text));

    std::int32_t block = id / 16 + 1;
    auto g = std::lower_bound(Groups.begin(), Groups.end(), block,
                              [](const std::unique_ptr<TResStringGroup>& group, std::int32_t v) { return group->Id < v; });
    if (g == Groups.end() || (*g)->Id != block) g = Groups.insert(g, std::make_unique<TResStringGroup>(this, block));
    std::int32_t slot = id - (block - 1) * 16;
    if (slot >= 0 && slot <= 15) (*g)->Slots[static_cast<std::size_t>(slot)] = id;
    return index;
}

int TResString::IndexOfId(std::int32_t id) const {
    auto pos = std::lower_bound(Strings.begin(), Strings.end(), id,
                                [](const std::unique_ptr<TResStringItem>& item, std::int32_t v) { return item->Id < v; });
    if (pos == Strings.end() || (*pos)->Id != id) return -1;
    return static_cast<int>(pos - Strings.begin());
}

TResStringItem* TResString::ItemAt(int index) const {
    if (index < 0 || index >= static_cast<int>(Strings.size())) return nullptr;
    return Strings[static_cast<std::size_t>(index)].get();
}

void TResString::ReadBlock(std::int32_t blockNumber, std::span<const std::uint8_t> data) {
    winres::TStringBlockReader reader(data);
    WideString text;
    while (reader.Next(text))
        if (!text.empty()) AddString((blockNumber - 1) * winres::kStringsPerBlock + reader.Position(), text);
}

void TResString::LoadFromPE(TPEResourceList& list) {
    Clear();
    for (auto& item : list.GetItems()) {
        std::int32_t block = 0;
        // Blocks are numbered 1..4096; anything else holds no string ids.
        if (!item->IsNumber() || !rtl::TryStrToInt(item->GetName(), block) || block < 1 || block > 4096) continue;
        ReadBlock(block, item->DataBytes());
    }
}

void TResString::WriteToSection(rtl::TStream& stream, std::uint32_t offset) {
    const std::uint64_t n = Groups.size();
    if (n > 0xFFFF) throw EExeError(EExeError::CreateRes, SResourceImageTooLarge);
    WriteDirectoryHeader(stream, 0, static_cast<std::uint16_t>(n));
    // Groups are kept in ascending id order, which is the order the directory wants.
    for (std::uint64_t i = 0; i < n; ++i) {
        stream.WriteU32(static_cast<std::uint32_t>(Groups[i]->Id));
        stream.WriteU32(0x80000000u | Checked32(offset + 16 + 8 * n + 24 * i));
    }
    std::vector<std::uint64_t> sizes;
    for (const auto& g : Groups) sizes.push_back(g->DataSize());
    WriteLanguagesAndDataEntries(stream, offset, sizes, offset + DirectorySize());
    for (const auto& g : Groups) {
        for (std::int32_t id : g->Slots) {
            TResStringItem* item = id < 0 ? nullptr : ItemAt(IndexOfId(id));
            if (item) WriteWide(stream, item->Text);
            else stream.WriteU16(0);
        }
    }
}

// ---- RCDATA -----------------------------------------------------------------------------------

void TResRCDataItem::LoadData(rtl::TStream& stream) {
    Data->Clear();
    Data->CopyFrom(stream, 0);
}

void TResRCDataItem::SaveData(rtl::TStream& stream) { stream.WriteBytes(Data->View()); }

std::uint64_t TResRCData::NamesSize() const {
    std::uint64_t size = 0;
    for (const auto& item : Items)
        if (!item->IsNumber) size += 2 + 2ull * ResourceNameText(item->Name).size();
    return size;
}

std::uint64_t TResRCData::DataSize() const {
    std::uint64_t size = DirectorySize() + NamesSize();
    for (const auto& item : Items) size += static_cast<std::uint64_t>(item->Data->Size());
    return size;
}

TResRCDataItem* TResRCData::AddItem(const AnsiString& name, bool isNumber) {
    Items.push_back(std::make_unique<TResRCDataItem>(name, isNumber));
    return Items.back().get();
}

TResRCDataItem* TResRCData::FindItem(const AnsiString& name) const {
    int index = IndexOfItem(name);
    return index < 0 ? nullptr : Items[static_cast<std::size_t>(index)].get();
}

int TResRCData::IndexOfItem(const AnsiString& name) const {
    for (std::size_t i = 0; i < Items.size(); ++i)
        if (rtl::SameText(Items[i]->Name, name)) return static_cast<int>(i);
    return -1;
}

void TResRCData::DeleteItem(int index) {
    if (index < 0 || index >= static_cast<int>(Items.size())) rtl::RaiseListIndexError(index);
    Items.erase(Items.begin() + index);
}

void TResRCData::RemoveItem(const AnsiString& name) {
    int index = IndexOfItem(name);
    if (index >= 0) DeleteItem(index);
}

TResRCDataItem* TResRCData::ItemAt(int index) const {
    if (index < 0 || index >= static_cast<int>(Items.size())) return nullptr;
    return Items[static_cast<std::size_t>(index)].get();
}

void TResRCData::LoadFromPE(TPEResourceList& list) {
    Clear();
    for (auto& entry : list.GetItems()) {
        TResRCDataItem* item = AddItem(entry->GetName(), entry->IsNumber());
        item->Data->WriteBytes(entry->DataBytes());
    }
}

void TResRCData::WriteToSection(rtl::TStream& stream, std::uint32_t offset) {
    const std::uint64_t n = Items.size();
    std::vector<TEntryKey> keys;
    std::vector<WideString> names(n);
    std::uint16_t named = 0, ids = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const auto& item = *Items[i];
        if (item.IsNumber) {
            keys.push_back({false, {}, NumericResourceId(item.Name)});
            ++ids;
        } else {
            names[i] = ResourceNameText(item.Name);
            keys.push_back({true, names[i], 0});
            ++named;
        }
        if (named == 0xFFFF || ids == 0xFFFF) throw EExeError(EExeError::CreateRes, SResourceImageTooLarge);
    }
    // Name strings follow the directory tables, in item order.
    std::vector<std::uint64_t> nameOffset(n, 0);
    std::uint64_t at = offset + DirectorySize();
    for (std::size_t i = 0; i < n; ++i) {
        if (keys[i].Named) {
            nameOffset[i] = at;
            at += 2 + 2ull * names[i].size();
        }
    }
    WriteDirectoryHeader(stream, named, ids);
    for (std::size_t i : DirectoryOrder(keys)) {
        stream.WriteU32(keys[i].Named ? (0x80000000u | Checked32(nameOffset[i])) : keys[i].Id);
        stream.WriteU32(0x80000000u | Checked32(offset + 16 + 8 * n + 24ull * i));
    }
    std::vector<std::uint64_t> sizes;
    for (const auto& item : Items) sizes.push_back(static_cast<std::uint64_t>(item->Data->Size()));
    WriteLanguagesAndDataEntries(stream, offset, sizes, at);
    for (std::size_t i = 0; i < n; ++i)
        if (keys[i].Named) WriteWide(stream, names[i]);
    for (const auto& item : Items) item->SaveData(stream);
}

}  // namespace modres
