#include "modres/WinResProc.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/Conversions.h"

namespace modres {

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint8_t kStubCode[16] = {0xBA, 0x10, 0x00, 0x0E, 0x1F, 0xB4, 0x09, 0xCD,
                                        0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21, 0x90, 0x90};
constexpr char kStubText[] = "This program must be run under Win32";
constexpr std::uint8_t kStubTail[4] = {0x0D, 0x0A, 0x24, 0x37};

}  // namespace

TResBlock* TResProcessor::FindBlock(int resType) const {
    for (const auto& b : Blocks)
        if (b->ResType() == resType) return b.get();
    return nullptr;
}

int TResProcessor::AddBlock(std::unique_ptr<TResBlock> block) {
    block->Parent = this;
    Blocks.push_back(std::move(block));
    return static_cast<int>(Blocks.size()) - 1;
}

std::uint64_t TResProcessor::ResourceDataSize() const {
    std::uint64_t size = 16 + 8ull * Blocks.size();
    for (const auto& b : Blocks) size += b->DataSize();
    return size;
}

void TResProcessor::LoadFromModule(winres::HMODULE module, std::initializer_list<const char*> leaveOut) {
    Clear();
    if (module == 0) module = winres::AppInstance();
    winres::HMODULE source = winres::FindResourceModule(module);

    auto strings = std::make_unique<TResString>(this);
    winres::EnumResourceNames(source, winres::RT_STRING, [&](const winres::TResName& name) {
        if (name.IsId() && name.Id() >= 1 && name.Id() <= 4096)
            strings->ReadBlock(name.Id(), winres::ResourceBytes(source, name, winres::RT_STRING));
        return true;
    });
    if (strings->Count() > 0) AddBlock(std::move(strings));

    auto rcdata = std::make_unique<TResRCData>(this);
    winres::EnumResourceNames(source, winres::RT_RCDATA, [&](const winres::TResName& name) {
        winres::HRSRC res = winres::FindResource(source, name, winres::RT_RCDATA);
        const std::uint8_t* data = winres::LockResource(winres::LoadResource(source, res));
        if (!data && winres::SizeofResource(source, res) != 0) return true;  // skipped, as the platform fails it
        const AnsiString text = name.IsId() ? std::to_string(name.Id()) : winres::WideToAnsi(name.Name(), winres::SystemCodePage());
        if (!name.IsId() && std::any_of(leaveOut.begin(), leaveOut.end(), [&](const char* left) { return rtl::SameText(text, left); }))
            return true;
        TResRCDataItem* item = rcdata->AddItem(text, name.IsId());
        if (data) item->Data->WriteBuffer(data, winres::SizeofResource(source, res));
        return true;
    });
    if (rcdata->Count() > 0) AddBlock(std::move(rcdata));
    LoadedFrom = source;
}

void TResProcessor::LoadFrom(TPEReader& reader) {
    Clear();
    TPEResourceList* types = reader.GetResourceList();
    for (auto& type : types->GetItems()) {
        AnsiString name = type->GetName();
        std::unique_ptr<TResBlock> block;
        if (name == "String") block = std::make_unique<TResString>(this);
        else if (name == "RCData") block = std::make_unique<TResRCData>(this);
        else continue;
        // A type that leads straight to data has no names; the loader skips it, and so do we.
        if (type->IsList()) block->LoadFromPE(*type->GetList());
        AddBlock(std::move(block));
    }
}

void TResProcessor::LoadFromFile(const AnsiString& fileName) {
    TPEReader reader(fileName);
    LoadFrom(reader);
}

void TResProcessor::LoadFromImage(const AnsiString& name, std::vector<std::uint8_t> image) {
    TPEReader reader(name, std::move(image));
    LoadFrom(reader);
}

void TResProcessor::WriteHeaders(rtl::TStream& stream) {
    const std::uint64_t s = ResourceDataSize();
    if (s > 0x7FFFF000ull) throw EExeError(EExeError::CreateRes, SResourceImageTooLarge);
    const auto size = static_cast<std::uint32_t>(s);
    const auto raw = static_cast<std::uint32_t>(AlignUp(s, 512));

    DosHeader.fill(0);
    std::uint8_t* d = DosHeader.data();
    d[0] = 'M';
    d[1] = 'Z';
    Put16(d + 2, 0x50);     // e_cblp
    Put16(d + 4, 2);        // e_cp
    Put16(d + 8, 4);        // e_cparhdr
    Put16(d + 10, 0x0F);    // e_minalloc
    Put16(d + 12, 0xFFFF);  // e_maxalloc
    Put16(d + 16, 0xB8);    // e_sp
    Put16(d + 24, 0x40);    // e_lfarlc
    Put16(d + 26, 0x1A);    // e_ovno
    Put32(d + 60, 0x100);   // e_lfanew

    DosStub.fill(0);
    std::memcpy(DosStub.data(), kStubCode, sizeof kStubCode);
    std::memcpy(DosStub.data() + 16, kStubText, sizeof kStubText - 1);
    std::memcpy(DosStub.data() + 52, kStubTail, sizeof kStubTail);

    NtHeaders.fill(0);
    std::uint8_t* nt = NtHeaders.data();
    nt[0] = 'P';
    nt[1] = 'E';
    std::uint8_t* fh = nt + 4;  // file header
    Put16(fh + 0, 0x014C);
    Put16(fh + 2, 1);
    Put32(fh + 4, ResourceTimeStamp());
    Put16(fh + 16, 0xE0);
    Put16(fh + 18, 0xA18E);
    std::uint8_t* oh = nt + 24;  // optional header
    Put16(oh + 0, 0x10B);
    oh[2] = 1;                   // MajorLinkerVersion
    Put32(oh + 28, 0x400000);    // ImageBase
    Put32(oh + 32, 0x1000);      // SectionAlignment
    Put32(oh + 36, 0x200);       // FileAlignment
    Put16(oh + 40, 1);           // MajorOperatingSystemVersion
    Put16(oh + 44, 1);           // MajorImageVersion
    Put16(oh + 48, 4);           // MajorSubsystemVersion
    Put32(oh + 56, static_cast<std::uint32_t>(AlignUp(s + 1024, 0x1000)));  // SizeOfImage
    Put32(oh + 60, static_cast<std::uint32_t>(AlignUp(HeadersSize, 512)));  // SizeOfHeaders
    Put16(oh + 68, 2);           // Subsystem
    Put16(oh + 70, 1);           // DllCharacteristics
    Put32(oh + 72, 0x1000);      // stack reserve
    Put32(oh + 76, 0x100);       // stack commit
    Put32(oh + 80, 0x1000);      // heap reserve
    Put32(oh + 84, 0x100);       // heap commit
    Put32(oh + 92, 16);          // NumberOfRvaAndSizes
    Put32(oh + 96 + 8 * 2, kResourceSectionRVA);
    Put32(oh + 96 + 8 * 2 + 4, raw);

    SectionHeader.fill(0);
    std::uint8_t* sh = SectionHeader.data();
    std::memcpy(sh, ".rsrc", 5);
    Put32(sh + 8, size);                 // VirtualSize
    Put32(sh + 12, kResourceSectionRVA);  // VirtualAddress
    Put32(sh + 16, raw);                 // SizeOfRawData
    Put32(sh + 20, 1024);                // PointerToRawData
    Put32(sh + 36, 0x40000000);          // Characteristics: readable

    stream.WriteBuffer(DosHeader.data(), DosHeader.size());
    stream.WriteBuffer(DosStub.data(), DosStub.size());
    stream.WriteBuffer(NtHeaders.data(), NtHeaders.size());
    stream.WriteBuffer(SectionHeader.data(), SectionHeader.size());
    std::vector<std::uint8_t> padding(AlignUp(HeadersSize, 512) - HeadersSize, 0);
    stream.WriteBytes(padding);
}

void TResProcessor::SaveToStream(rtl::TStream& stream) {
    const std::int64_t start = stream.Position();
    const std::uint64_t s = ResourceDataSize();
    const std::int64_t end = start + 1024 + static_cast<std::int64_t>(AlignUp(s, 512));
    // The image's size is known before its first byte: a memory stream takes its room at once
    // instead of growing (and copying) through every doubling.
    if (auto* memory = dynamic_cast<rtl::TMemoryStream*>(&stream)) memory->Reserve(end);
    WriteHeaders(stream);

    const std::uint64_t count = Blocks.size();
    // Root entries in ascending type order, each pointing at its block; blocks stay in list order.
    std::vector<std::uint64_t> offsets;
    std::uint64_t at = 16 + 8 * count;
    for (const auto& b : Blocks) {
        offsets.push_back(at);
        at += b->DataSize();
    }
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [this](std::size_t a, std::size_t b) { return (Blocks[a]->ResType() & 0x7F) < (Blocks[b]->ResType() & 0x7F); });
    WriteDirectoryHeader(stream, 0, static_cast<std::uint16_t>(count));
    for (std::size_t i : order) {
        stream.WriteU32(static_cast<std::uint32_t>(Blocks[i]->ResType() & 0x7F));
        stream.WriteU32(0x80000000u | static_cast<std::uint32_t>(offsets[i]));
    }
    for (std::size_t i = 0; i < count; ++i) Blocks[i]->WriteToSection(stream, static_cast<std::uint32_t>(offsets[i]));

    const std::int64_t pad = end - stream.Position();
    if (pad > 0) stream.WriteBytes(std::vector<std::uint8_t>(static_cast<std::size_t>(pad), 0));
}

}  // namespace modres
