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

constexpr const char* kTypeNames[] = {"Unknown0", "CursorEntry", "Bitmap",       "IconEntry", "Menu",     "Dialog",
                                      "String",   "FontDir",     "Font",         "Accelerators", "RCData", "MessageTable",
                                      "Cursor",   "Unknown13",   "Icon",         "Unknown15", "Version"};

// A memory stream that refuses to grow past a limit, so a hostile LZK stream cannot make the
// decompressor exhaust memory.
class TBoundedMemoryStream : public rtl::TMemoryStream {
public:
    explicit TBoundedMemoryStream(std::int64_t limit) : limit_(limit) {}
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (count > 0 && Position() + count > limit_)
            throw rtl::EWriteError(rtl::EWriteError::CreateRes, rtl::SWriteError).WithCode("pe.image.large");
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
        if (file.Size() > kMaxModuleFile)
            throw rtl::EReadError(rtl::EReadError::CreateRes, rtl::SReadError).WithCode("pe.file.large");
        if (langdata::IsLZKStream(file)) {
            TBoundedMemoryStream out(kMaxModuleImage);
            langdata::DecompressLZKStream(file, out);
            return out.TakeBytes();
        }
        file.SetPosition(0);
        return file.ReadBytes(file.Size());
    } catch (const rtl::Exception& e) {
        // The file's name in the message, the reason (when it was the file's bytes) in the code.
        throw EExeError(EExeError::CreateResFmt, SCouldNotOpenFile, {fileName}).WithCode(e.Code());
    } catch (const std::bad_alloc&) {
        throw EExeError(EExeError::CreateResFmt, SCouldNotOpenFile, {fileName}).WithCode("pe.image.large");
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
        case winres::TPEStatus::Empty:
            throw EExeError(EExeError::CreateRes, SMapViewOfFileFailed).WithCode("pe.file.empty");
        case winres::TPEStatus::NotMZ:
            throw EExeError(EExeError::CreateRes, SUnrecognizedFileFormat).WithCode("pe.header.mz");
        case winres::TPEStatus::NotPE: throw EExeError(EExeError::CreateRes, SNotPEFile).WithCode("pe.header.pe");
        case winres::TPEStatus::BadSections:
            throw EExeError(EExeError::CreateRes, SNotPEFile).WithCode("pe.header.sections");
    }
}

bool TPEReader::FindSection(const AnsiString& name, winres::TSectionHeader& header) const {
    const winres::TSectionHeader* section = winres::FindSectionByName(headers_, name);
    if (section) header = *section;
    return section != nullptr;
}

TPEResourceList* TPEReader::GetResourceList() {
    if (resourceList_) return resourceList_.get();
    auto image = Image();
    auto found = winres::FindResourcesBySection(headers_, image, ".rsrc", where_);
    // Without a section of that name, the resources are where the loader finds them.
    if (found == winres::TResourceLookup::Missing) found = winres::FindResourcesByDirectory(headers_, image, where_);
    switch (found) {
        case winres::TResourceLookup::Found: break;
        case winres::TResourceLookup::Missing:
            throw EExeError(EExeError::CreateRes, SNoResources).WithCode("pe.resources.missing");
        case winres::TResourceLookup::Outside: Damaged(winres::TDirFault::SectionOutside);
    }
    directory_ = std::make_unique<winres::TResourceDirectory>(image, headers_, where_);
    resourceList_ = std::make_unique<TPEResourceList>(this, 0, std::vector<std::uint32_t>{});
    return resourceList_.get();
}

std::span<const std::uint8_t> TPEReader::ResourceRegion() const {
    return directory_ ? directory_->Region() : std::span<const std::uint8_t>{};
}

void TPEReader::Damaged(winres::TDirFault fault) const {
    throw EExeError(EExeError::CreateResFmt, SDamagedResources, {fileName_, AnsiString(winres::DirFaultText(fault))})
        .WithCode(winres::DirFaultCode(fault));
}

void TPEReader::CountItems(std::uint32_t count) {
    itemsCreated_ += count;
    if (itemsCreated_ > winres::kMaxResources * 4) Damaged(winres::TDirFault::TooManyEntries);
}

// ---- TPEResourceList --------------------------------------------------------------------------

TPEResourceList::TPEResourceList(TPEReader* reader, std::uint32_t directory, std::vector<std::uint32_t> ancestors)
    : reader_(reader), directory_(directory), ancestors_(std::move(ancestors)) {}

TPEResourceList::~TPEResourceList() = default;

std::vector<std::unique_ptr<TPEResourceItem>>& TPEResourceList::GetItems() {
    if (built_) return items_;
    auto& dir = reader_->Directory();
    std::vector<winres::TDirEntry> entries;
    if (!dir.Entries(directory_, entries)) reader_->Damaged(dir.Fault());
    reader_->CountItems(static_cast<std::uint32_t>(entries.size()));
    items_.reserve(entries.size());
    for (const auto& e : entries) items_.push_back(std::make_unique<TPEResourceItem>(this, e));
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

TPEResourceItem::TPEResourceItem(TPEResourceList* owner, const winres::TDirEntry& entry) : owner_(owner), entry_(entry) {}

TPEResourceItem::~TPEResourceItem() = default;

AnsiString TPEResourceItem::GetName() {
    if (IsNumber()) {
        if (owner_->IsTopLevel())
            if (const char* name = ResourceTypeName(entry_.Id())) return name;
        return std::to_string(entry_.Id());
    }
    TPEReader* reader = owner_->Reader();
    winres::TResName name;
    if (!reader->Directory().Name(entry_, name)) reader->Damaged(reader->Directory().Fault());
    return winres::WideToAnsi(name.Name(), winres::SystemCodePage());
}

bool TPEResourceItem::IsList() {
    // A directory counts as a list when its children are directories themselves (an empty one
    // is a list too); a name's directory of languages is not.
    TPEReader* reader = owner_->Reader();
    bool list = false;
    if (!reader->Directory().LeadsToTables(entry_, list)) reader->Damaged(reader->Directory().Fault());
    return list;
}

TPEResourceList* TPEResourceItem::GetList() {
    if (list_) return list_.get();
    if (!IsList()) throw EExeError(EExeError::CreateRes, SNotAList);
    TPEReader* reader = owner_->Reader();
    std::vector<std::uint32_t> path = owner_->Ancestors();
    path.push_back(owner_->Directory());
    std::uint32_t table = 0;
    if (!reader->Directory().Descend(path, entry_, table)) reader->Damaged(reader->Directory().Fault());
    list_ = std::make_unique<TPEResourceList>(reader, table, std::move(path));
    return list_.get();
}

std::span<const std::uint8_t> TPEResourceItem::DataBytes() {
    if (IsList()) return {};
    TPEReader* reader = owner_->Reader();
    auto& dir = reader->Directory();
    std::optional<winres::TDataEntry> data;
    if (!dir.FirstLanguage(entry_, data)) reader->Damaged(dir.Fault());
    if (!data) return {};
    std::uint32_t offset = 0;
    if (!dir.DataOffset(*data, offset)) reader->Damaged(dir.Fault());
    return reader->Image().subspan(offset, data->Size);
}

const std::uint8_t* TPEResourceItem::Data() {
    auto bytes = DataBytes();
    return bytes.empty() ? nullptr : bytes.data();
}

std::uint32_t TPEResourceItem::DataSize() { return static_cast<std::uint32_t>(DataBytes().size()); }

}  // namespace modres
