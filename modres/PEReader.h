#pragma once
// The module file reader: opens a PE image file (plain or LZK-compressed) without loading it,
// finds its resource section and presents the resource directory as a tree of lists and items,
// created on demand. The resource section is the one named ".rsrc"; a module without a section of
// that name has its resources where the resource data directory says, as the module loader finds
// them, so every module the loader accepts can be read here too. The reader owns the top-level list; a list owns its items; an item owns the
// list below it, so destroying the reader frees the whole tree. Pointers handed out by Data()
// stay valid while the reader lives.
//
// The image is hostile until proven otherwise: the tree is read through the walker shared with the
// loader (platform/winres/ResourceDirectory.h), which checks every directory, entry, name and
// data block against the bytes present and refuses a tree that loops back on itself; the number
// of items one reader creates is limited.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/ResString.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysTypes.h"
#include "platform/winres/ResourceDirectory.h"

namespace modres {

using rtl::AnsiString;
using rtl::WideString;

VLMRK_DECLARE_EXCEPTION(EExeError, rtl::Exception);

VLMRK_RESSTRING(SCouldNotOpenFile, 65283, "PEReader", "Couldn't open file: %s");
VLMRK_RESSTRING(SMapViewOfFileFailed, 65284, "PEReader", "MapViewOfFile failed");
VLMRK_RESSTRING(SUnrecognizedFileFormat, 65285, "PEReader", "Unrecognized file format");
VLMRK_RESSTRING(SNotPEFile, 65286, "PEReader", "Not a PE (WIN32 Executable) file");
VLMRK_RESSTRING(SNoResources, 65287, "PEReader", "No resources in this file.");
VLMRK_RESSTRING(SNotAList, 65288, "PEReader", "ResourceItem is not a list");
VLMRK_RESSTRING(SDamagedResources, 65170, "PEReader", "The resource directory of %s is damaged: %s");

class TPEReader;
class TPEResourceList;

// One directory entry.
class TPEResourceItem : public rtl::TObject {
public:
    TPEResourceItem(TPEResourceList* owner, const winres::TDirEntry& entry);
    ~TPEResourceItem() override;

    virtual AnsiString GetName();
    virtual TPEResourceList* GetList();
    virtual bool IsList();
    bool IsNumber() const { return entry_.HasId(); }
    // The resource bytes of the first language of a name entry (nullptr / 0 for a list entry).
    const std::uint8_t* Data();
    std::uint32_t DataSize();
    std::span<const std::uint8_t> DataBytes();

    std::uint32_t DirEntry() const { return entry_.Offset; }  // offset of the 8-byte entry from ResourceBase

private:
    TPEResourceList* owner_;
    winres::TDirEntry entry_;
    std::unique_ptr<TPEResourceList> list_;
};

// One directory table.
class TPEResourceList : public rtl::TObject {
public:
    // `ancestors` are the directory offsets from the root down to the parent, to refuse loops.
    TPEResourceList(TPEReader* reader, std::uint32_t directory, std::vector<std::uint32_t> ancestors);
    ~TPEResourceList() override;

    virtual std::vector<std::unique_ptr<TPEResourceItem>>& GetItems();
    int Count();
    // The item; an index outside the list raises the list index error.
    TPEResourceItem* ItemAt(int index);

    TPEReader* Reader() const { return reader_; }
    std::uint32_t Directory() const { return directory_; }
    const std::vector<std::uint32_t>& Ancestors() const { return ancestors_; }
    bool IsTopLevel() const { return ancestors_.empty(); }

private:
    TPEReader* reader_;
    std::uint32_t directory_;
    std::vector<std::uint32_t> ancestors_;
    bool built_ = false;
    std::vector<std::unique_ptr<TPEResourceItem>> items_;
};

class TPEReader : public rtl::TObject {
public:
    // Reads the file (decompressing an LZK stream) and checks its headers. Raises EExeError.
    explicit TPEReader(const AnsiString& fileName);
    // The same over bytes already in memory (the name is used in messages only).
    TPEReader(const AnsiString& fileName, std::vector<std::uint8_t> bytes);
    ~TPEReader() override;

    bool FindSection(const AnsiString& name, winres::TSectionHeader& header) const;
    // The top-level list, one item per resource type. Raises EExeError "No resources in this
    // file." when there is neither a ".rsrc" section nor a resource data directory.
    TPEResourceList* GetResourceList();

    const AnsiString& FileName() const { return fileName_; }
    std::span<const std::uint8_t> Image() const { return image_->View(); }
    const winres::TPEHeaders& Headers() const { return headers_; }
    std::uint32_t ResourceBase() const { return where_.FileOffset; }  // file offset of the root directory
    std::uint32_t ResourceRVA() const { return where_.Rva; }
    // The resource section's bytes from ResourceBase to its end (clipped to the image).
    std::span<const std::uint8_t> ResourceRegion() const;
    // The walker over the resource tree (after GetResourceList).
    winres::TResourceDirectory& Directory() const { return *directory_; }

    // Raises EExeError naming this file and what is wrong with its directory.
    [[noreturn]] void Damaged(winres::TDirFault fault) const;
    // Counts items created; too many raise EExeError.
    void CountItems(std::uint32_t count);

private:
    void Open(std::vector<std::uint8_t> bytes);

    AnsiString fileName_;
    std::unique_ptr<rtl::TMemoryStream> image_;
    winres::TPEHeaders headers_;
    std::unique_ptr<TPEResourceList> resourceList_;
    winres::TResourceSection where_;
    std::unique_ptr<winres::TResourceDirectory> directory_;
    std::uint64_t itemsCreated_ = 0;
};

// The name of a top-level numeric type id 0..16 ("String" for 6, "RCData" for 10), else nullptr.
const char* ResourceTypeName(std::uint32_t id);

// Reads a whole file into memory, decompressing it when it is an LZK stream. Raises EExeError
// "Couldn't open file" for a missing, unreadable or damaged file.
std::vector<std::uint8_t> ReadModuleFile(const AnsiString& fileName);

}  // namespace modres
