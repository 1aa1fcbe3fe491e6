#pragma once
// The resource processor: the string tables and RCDATA resources of one module in memory,
// loaded from a loaded module (through the resource-module table) or from a module file, edited
// by the module builder and the form processor, and written as a complete resource-only library
// image: headers (1024 bytes), then one ".rsrc" section at RVA 0x2000 padded to 512 bytes.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>

#include "modres/WinResReader.h"
#include "platform/winres/WinRes.h"

namespace modres {

class TResProcessor : public rtl::TObject {
public:
    static constexpr std::uint32_t HeadersSize = 544;  // DOS header, DOS stub, NT headers, section header

    TResProcessor() = default;

    // Clear, then the string tables and RCDATA of the module's current resource module
    // (FindResourceModule); 0 means the program's own module. RCDATA named in leaveOut (upper
    // case) is not copied: a module build leaves out the language pack, the largest resource.
    void LoadFromModule(winres::HMODULE module, std::initializer_list<const char*> leaveOut = {});
    // Clear, then the string tables and RCDATA of a module file (plain or LZK-compressed). The
    // reader's errors propagate: an unreadable file leaves the processor as it was; a file
    // without resources leaves it empty.
    void LoadFromFile(const AnsiString& fileName);
    // The same over an image already in memory.
    void LoadFromImage(const AnsiString& name, std::vector<std::uint8_t> image);

    TResBlock* FindBlock(int resType) const;
    TResString* FindStrings() const { return static_cast<TResString*>(FindBlock(6)); }
    TResRCData* FindRCData() const { return static_cast<TResRCData*>(FindBlock(10)); }
    int AddBlock(std::unique_ptr<TResBlock> block);
    void Clear() {
        Blocks.clear();
        LoadedFrom.reset();
    }

    // 16 + 8 x blocks + the DataSize of every block.
    std::uint64_t ResourceDataSize() const;
    // Writes the whole image at the stream's position.
    void SaveToStream(rtl::TStream& stream);
    // Fills the header records and writes them with the padding up to the section (1024 bytes).
    void WriteHeaders(rtl::TStream& stream);

    std::array<std::uint8_t, 64> DosHeader{};
    std::array<std::uint8_t, 192> DosStub{};
    std::array<std::uint8_t, 248> NtHeaders{};
    std::array<std::uint8_t, 40> SectionHeader{};
    std::vector<std::unique_ptr<TResBlock>> Blocks;

    // The module whose resources LoadFromModule read (after FindResourceModule); empty after
    // any other load.
    std::optional<winres::HMODULE> LoadedFrom;

private:
    void LoadFrom(TPEReader& reader);
};

}  // namespace modres
