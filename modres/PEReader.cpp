#include "modres/PEReader.h"

#include "langdata/kcompress/kcompress.h"
#include "platform/rtl/RtlConsts.h"
#include "platform/winres/WinRes.h"

namespace modres {

namespace {

// Module files are small; anything larger is refused before it is read.
constexpr std::int64_t kMaxModuleFile = std::int64_t{64} << 20;
// A decompressed image may grow to this much and no further.
constexpr std::int64_t kMaxModuleImage = std::int64_t{256} << 20;
// Directory trees of resource images are three levels deep; allow some slack, refuse the rest.
constexpr std::size_t kMaxDepth = 16;

constexpr const char* kTypeNames[] = {"Unknown0", "CursorEntry", "Bitmap",       "IconEntry", "Menu",     "Dialog",
                                      "String",   "FontDir",     "Font",         "Accelerators", "RCData", "MessageTable",
                                      "Cursor",   "Unknown13",   "Icon",         "Unknown15", "Version"};

// A memory stream that refuses to grow past a limit, so a hostile LZK stream cannot make the
// decompressor exhaust memory.
class TBoundedMemoryStream : public rtl::TMemoryStream {
public:
    explicit TBoundedMemoryStream(std::int64_t limit) : limit_(limit) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (count > 0 && Position() + count > limit_) throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError);
        return rtl::TMemoryStream::Write(buffer, count);
    }

private:
    std::int64_t limit_;
};

}  // namespace

const char* ResourceTypeName(std::uint32_t id) { return id <= 16 ? kTypeNames[id] : nullptr; }

std::vector<std::uint8_t> ReadModuleFile(const AnsiString& fileName) {
    try {
        rtl::TFileStream file(fileName, rtl::TFileMode::fmOpenRead);
        if (file.Size() > kMaxModuleFile) throw rtl::EReadError(rtl::EReadError::CreateRes, rtl::SReadError);
        if (langdata::IsLZKStream(file)) {
            TBoundedMemoryStream out(kMaxModuleImage);
            langdata::DecompressLZKStream(file, out);
            return out.TakeBytes();
        }
        file.SetPosition(0);
        return file.ReadBytes(file.Size());
    } catch (const rtl::Exception&) {
        throw EExeError(EExeError::CreateResFmt, SCouldNotOpenFile, {fileName});
    } catch (const std::bad_alloc&) {
        throw EExeError(EExeError::CreateResFmt, SCouldNotOpenFile, {fileName});
    }
}

// ---- TPEReader --------------------------------------------------------------------------------

TPEReader::TPEReader(const AnsiString& fileName) : fileName_(fileName) { Open(ReadModuleFile(fileName)); }

TPEReader::TPEReader(const AnsiString& fileName, std::vector<std::uint8_t> bytes) : fileName_(fileName) {
    Open(std::move(bytes));
}

TPEReader::~TPEReader() = default;

void TPEReader::Open(std::vector<std::uint8_t> bytes) {
    image_ = std::make_unique<rtl::TMemoryStream>(std::move(bytes));
    switch (winres::ParsePEHeaders(image_->View(), headers_)) {
        case winres::TPEStatus::Ok: break;
        case winres::TPEStatus::Empty: throw EExeError(EExeError::CreateRes, SMapViewOfFileFailed);
        case winres::TPEStatus::NotMZ: throw EExeError(EExeError::CreateRes, SUnrecognizedFileFormat);
        case winres::TPEStatus::NotPE:
        case winres::TPEStatus::BadSections: throw EExeError(EExeError::CreateRes, SNotPEFile);
    }
}

bool TPEReader::FindSection(const AnsiString& name, winres::TSectionHeader& header) const {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    for (const auto& s : headers_.Sections) {
        bool same = true;
        for (std::size_t i = 0; i < 8; ++i) {
            char a = i < name.size() ? name[i] : '\0';
            char b = s.Name[i];
            if (upper(a) != upper(b)) {
                same = false;
                break;
            }
            if (a == '\0') break;
        }
        if (same) {
            header = s;
            return true;
        }
    }
    return false;
}

TPEResourceList* TPEReader::GetResourceList() {
    if (resourceList_) return resourceList_.get();
    winres::TSectionHeader section;
    if (!FindSection(".rsrc", section)) throw EExeError(EExeError::CreateRes, SNoResources);
    auto image = Image();
    if (section.PointerToRawData > image.size()) Damaged("the resource section lies outside the file");
    resourceBase_ = section.PointerToRawData;
    resourceRVA_ = section.VirtualAddress;
    std::uint64_t end = static_cast<std::uint64_t>(section.PointerToRawData) + section.SizeOfRawData;
    if (end > image.size()) end = image.size();
    resourceSize_ = static_cast<std::uint32_t>(end - resourceBase_);
    resourceList_ = std::make_unique<TPEResourceList>(this, 0, std::vector<std::uint32_t>{});
    return resourceList_.get();
}

std::span<const std::uint8_t> TPEReader::ResourceRegion() const {
    return Image().subspan(resourceBase_, resourceSize_);
}

void TPEReader::Damaged(const char* why) const {
    throw EExeError(EExeError::CreateResFmt, SDamagedResources, {fileName_, AnsiString(why)});
}

void TPEReader::CountItems(std::uint32_t count) {
    itemsCreated_ += count;
    if (itemsCreated_ > winres::kMaxResources * 4) Damaged("too many directory entries");
}

std::uint32_t TPEReader::DataOffset(std::uint32_t rva, std::uint32_t size) const {
    auto image = Image();
    // Data normally lies in the resource section itself: ResourceBase + (rva - ResourceRVA).
    if (rva >= resourceRVA_) {
        std::uint64_t offset = static_cast<std::uint64_t>(resourceBase_) + (rva - resourceRVA_);
        if (offset + size <= static_cast<std::uint64_t>(resourceBase_) + resourceSize_ && winres::InBounds(image, offset, size))
            return static_cast<std::uint32_t>(offset);
    }
    if (auto offset = winres::RvaToOffset(headers_, image, rva, size)) return *offset;
    Damaged("resource data outside the file");
}

// ---- TPEResourceList --------------------------------------------------------------------------

TPEResourceList::TPEResourceList(TPEReader* reader, std::uint32_t directory, std::vector<std::uint32_t> ancestors)
    : reader_(reader), directory_(directory), ancestors_(std::move(ancestors)) {}

TPEResourceList::~TPEResourceList() = default;

std::vector<std::unique_ptr<TPEResourceItem>>& TPEResourceList::GetItems() {
    if (built_) return items_;
    auto region = reader_->ResourceRegion();
    auto named = winres::PeekU16(region, directory_ + 12ull);
    auto ids = winres::PeekU16(region, directory_ + 14ull);
    if (!named || !ids) reader_->Damaged("a directory lies outside the resource section");
    std::uint32_t count = static_cast<std::uint32_t>(*named) + *ids;
    if (!winres::InBounds(region, directory_ + 16ull, 8ull * count))
        reader_->Damaged("directory entries lie outside the resource section");
    reader_->CountItems(count);
    items_.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) items_.push_back(std::make_unique<TPEResourceItem>(this, directory_ + 16 + 8 * i));
    built_ = true;
    return items_;
}

int TPEResourceList::Count() { return static_cast<int>(GetItems().size()); }

TPEResourceItem* TPEResourceList::ItemAt(int index) {
    auto& items = GetItems();
    if (index < 0 || index >= static_cast<int>(items.size())) rtl::RaiseListIndexError(index);
    return items[static_cast<std::size_t>(index)].get();
}

// ---- TPEResourceItem --------------------------------------------------------------------------

TPEResourceItem::TPEResourceItem(TPEResourceList* owner, std::uint32_t entryOffset)
    : owner_(owner), dirEntry_(entryOffset) {}

TPEResourceItem::~TPEResourceItem() = default;

// The entry was checked to lie inside the region when the list was built.
std::uint32_t TPEResourceItem::RawName() const {
    return *winres::PeekU32(owner_->Reader()->ResourceRegion(), dirEntry_);
}

std::uint32_t TPEResourceItem::RawOffsetToData() const {
    return *winres::PeekU32(owner_->Reader()->ResourceRegion(), dirEntry_ + 4ull);
}

bool TPEResourceItem::IsNumber() const { return (RawName() & 0x80000000u) == 0; }

AnsiString TPEResourceItem::GetName() {
    std::uint32_t raw = RawName();
    if (IsNumber()) {
        if (owner_->IsTopLevel())
            if (const char* name = ResourceTypeName(raw)) return name;
        return std::to_string(raw);
    }
    auto region = owner_->Reader()->ResourceRegion();
    std::uint64_t at = raw & 0x7FFFFFFFu;
    auto length = winres::PeekU16(region, at);
    if (!length || !winres::InBounds(region, at + 2, 2ull * *length)) owner_->Reader()->Damaged("a name lies outside the resource section");
    WideString text;
    text.reserve(*length);
    for (std::uint32_t i = 0; i < *length; ++i) text.push_back(static_cast<char16_t>(*winres::PeekU16(region, at + 2 + 2ull * i)));
    return winres::WideToAnsi(text, winres::SystemCodePage());
}

bool TPEResourceItem::IsList() {
    std::uint32_t raw = RawOffsetToData();
    if (!(raw & 0x80000000u)) return false;
    // A directory counts as a list when its children are directories themselves (an empty one
    // is a list too); a name's directory of languages is not.
    auto region = owner_->Reader()->ResourceRegion();
    std::uint64_t dir = raw & 0x7FFFFFFFu;
    auto named = winres::PeekU16(region, dir + 12);
    auto ids = winres::PeekU16(region, dir + 14);
    if (!named || !ids) owner_->Reader()->Damaged("a directory lies outside the resource section");
    if (*named + *ids == 0) return true;
    auto first = winres::PeekU32(region, dir + 16 + 4);
    if (!first) owner_->Reader()->Damaged("directory entries lie outside the resource section");
    return (*first & 0x80000000u) != 0;
}

TPEResourceList* TPEResourceItem::GetList() {
    if (list_) return list_.get();
    if (!IsList()) throw EExeError(EExeError::CreateRes, SNotAList);
    std::uint32_t dir = RawOffsetToData() & 0x7FFFFFFFu;
    std::vector<std::uint32_t> chain = owner_->Ancestors();
    chain.push_back(owner_->Directory());
    for (std::uint32_t seen : chain)
        if (seen == dir) owner_->Reader()->Damaged("the directory tree loops back on itself");
    if (chain.size() >= kMaxDepth) owner_->Reader()->Damaged("the directory tree is too deep");
    list_ = std::make_unique<TPEResourceList>(owner_->Reader(), dir, std::move(chain));
    return list_.get();
}

std::optional<std::uint32_t> TPEResourceItem::DataEntry() {
    std::uint32_t raw = RawOffsetToData();
    if (!(raw & 0x80000000u)) return raw;  // a data entry straight below the name
    auto region = owner_->Reader()->ResourceRegion();
    std::uint64_t dir = raw & 0x7FFFFFFFu;
    auto named = winres::PeekU16(region, dir + 12);
    auto ids = winres::PeekU16(region, dir + 14);
    if (!named || !ids) owner_->Reader()->Damaged("a directory lies outside the resource section");
    if (*named + *ids == 0) return std::nullopt;
    auto first = winres::PeekU32(region, dir + 16 + 4);
    if (!first) owner_->Reader()->Damaged("directory entries lie outside the resource section");
    if (*first & 0x80000000u) return std::nullopt;
    return *first;
}

std::span<const std::uint8_t> TPEResourceItem::DataBytes() {
    if (IsList()) return {};
    auto entry = DataEntry();
    if (!entry) return {};
    TPEReader* reader = owner_->Reader();
    auto region = reader->ResourceRegion();
    auto rva = winres::PeekU32(region, *entry);
    auto size = winres::PeekU32(region, *entry + 4ull);
    if (!rva || !size || !winres::InBounds(region, *entry, 16)) reader->Damaged("a data entry lies outside the resource section");
    std::uint32_t offset = reader->DataOffset(*rva, *size);
    return reader->Image().subspan(offset, *size);
}

const std::uint8_t* TPEResourceItem::Data() {
    auto bytes = DataBytes();
    return bytes.empty() ? nullptr : bytes.data();
}

std::uint32_t TPEResourceItem::DataSize() { return static_cast<std::uint32_t>(DataBytes().size()); }

}  // namespace modres
