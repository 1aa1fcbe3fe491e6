#pragma once
// Bounds-checked reading of Portable Executable headers over bytes in memory, and resource names.
// Shared by the module loader (WinRes) and the module file reader (modres/PEReader); the resource
// directory itself is walked by ResourceDirectory.h. Nothing here trusts the image: every offset
// and count is checked against the bytes present.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winres/ByteCursor.h"

namespace winres {

struct TSectionHeader {
    std::array<char, 8> Name{};
    std::uint32_t VirtualSize = 0;
    std::uint32_t VirtualAddress = 0;
    std::uint32_t SizeOfRawData = 0;
    std::uint32_t PointerToRawData = 0;
    std::uint32_t Characteristics = 0;
    std::uint32_t HeaderOffset = 0;  // where this header lies in the image
};

struct TDataDirectory {
    std::uint32_t VirtualAddress = 0;
    std::uint32_t Size = 0;
};

inline constexpr std::uint16_t kOptionalMagicPE32 = 0x10B;
inline constexpr std::uint16_t kOptionalMagicPE32Plus = 0x20B;
inline constexpr int kResourceDirectoryIndex = 2;

struct TPEHeaders {
    std::uint32_t NtOffset = 0;  // e_lfanew
    std::uint16_t Machine = 0;
    std::uint16_t NumberOfSections = 0;
    std::uint32_t TimeDateStamp = 0;
    std::uint16_t SizeOfOptionalHeader = 0;
    std::uint16_t Characteristics = 0;
    std::uint16_t OptionalMagic = 0;  // 0 when the image has no optional header we know
    std::vector<TDataDirectory> DataDirectories;  // as many as the optional header holds (at most 16)
    std::vector<TSectionHeader> Sections;
};

enum class TPEStatus {
    Ok,
    Empty,        // no bytes at all
    NotMZ,        // the first two bytes are not "MZ"
    NotPE,        // the NT headers are missing, cut short or not signed "PE\0\0"
    BadSections,  // the section table does not fit in the image
};

// Reads the DOS header, the NT headers (PE32 and PE32+; the section table follows the optional
// header by the file header's SizeOfOptionalHeader) and the section table.
TPEStatus ParsePEHeaders(TBytes image, TPEHeaders& headers);

// The file offset of `size` bytes at the relative virtual address, when a section holds them
// in its raw data inside the image.
std::optional<std::uint32_t> RvaToOffset(const TPEHeaders& headers, TBytes image, std::uint32_t rva,
                                         std::uint32_t size);

// The first section whose 8-byte name equals `name`, ignoring ASCII letter case and looking at no
// more than 8 characters; nullptr when there is none.
const TSectionHeader* FindSectionByName(const TPEHeaders& headers, std::string_view name);

// Resource names and types: a 16-bit number, or a UTF-16 string.
class TResName {
public:
    TResName() = default;
    TResName(int id) : isId_(true), id_(static_cast<std::uint16_t>(id)) {}  // NOLINT: as MAKEINTRESOURCE
    // An 8-bit name, taken character by character (resource names are ASCII). "#123" is the id 123.
    TResName(const char* name) : TResName(std::string(name)) {}  // NOLINT
    TResName(const std::string& name);                          // NOLINT
    TResName(std::u16string name) : name_(std::move(name)) {}  // NOLINT

    bool IsId() const { return isId_; }
    std::uint16_t Id() const { return id_; }
    const std::u16string& Name() const { return name_; }
    // The decimal text of an id, or the name with each UTF-16 unit below 256 as one byte
    // ('?' for others). For messages and tools; resource names of this program are ASCII.
    std::string ToString() const;
    // Ids compare by value, names without regard to ASCII case, as the platform matches them.
    bool Matches(const TResName& other) const;

private:
    bool isId_ = false;
    std::uint16_t id_ = 0;
    std::u16string name_;
};

}  // namespace winres
