#pragma once
// Helpers shared by the module-layer tests: images written by the processor, temporary files and
// a fixed clock.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"

namespace modres_test {

inline constexpr std::int64_t kFixedLocalSeconds = 1000000000;
inline constexpr std::uint32_t kFixedStamp = 1000000000 + 8 * 3600;

// Fixes ResourceTimeStamp for the lifetime of the object.
struct FixedClock {
    FixedClock() { modres::SetResourceClock([] { return kFixedLocalSeconds; }); }
    ~FixedClock() { modres::SetResourceClock({}); }
};

inline std::vector<std::uint8_t> Save(modres::TResProcessor& proc) {
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    return out.TakeBytes();
}

inline std::uint32_t U32At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (static_cast<std::uint32_t>(b.at(at + 3)) << 24);
}
inline std::uint16_t U16At(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

// Where the processor's images keep their headers' fields (e_lfanew is 0x100).
inline constexpr std::size_t kSectionNameAt = 0x100 + 248;                // the one section header's Name
inline constexpr std::size_t kResourceDataDirectoryAt = 0x100 + 24 + 96 + 8 * 2;  // VirtualAddress, then Size

inline void Put32At(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = static_cast<std::uint8_t>(v >> (8 * i));
}

// A written image turned into a module without resources: its section renamed and the resource
// data directory emptied, so neither the section name nor the directory leads to a tree.
inline void RemoveResources(std::vector<std::uint8_t>& image, const char* sectionName = ".data") {
    for (std::size_t i = 0; i < 8; ++i) image.at(kSectionNameAt + i) = 0;
    for (std::size_t i = 0; sectionName[i] && i < 8; ++i) image.at(kSectionNameAt + i) = static_cast<std::uint8_t>(sectionName[i]);
    Put32At(image, kResourceDataDirectoryAt, 0);
    Put32At(image, kResourceDataDirectoryAt + 4, 0);
}

// A processor holding strings and RCDATA items, with the program's settings records.
inline void FillProgramLike(modres::TResProcessor& proc, const std::u16string& greeting = u"Hello") {
    auto strings = std::make_unique<modres::TResString>(&proc);
    strings->AddString(15, u"fifteen");
    strings->AddString(16, u"sixteen");
    strings->AddString(65170, greeting);
    strings->AddString(65535, u"last");
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    rcdata->AddItem("TFORM1", false)->Data->WriteBytes(std::vector<std::uint8_t>{'T', 'P', 'F', '0', 1, 2, 3});
    rcdata->AddItem("42", true)->Data->WriteBytes(std::vector<std::uint8_t>{9, 9});
    proc.AddBlock(std::move(rcdata));
    modres::AddProgramSettings(proc);
}

// A temporary folder removed with the object.
struct TempDir {
    std::filesystem::path Path;
    TempDir() {
        char pattern[] = "/tmp/vlmrk-modres-XXXXXX";
        Path = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(Path, ec);
    }
    std::string File(const std::string& name) const { return (Path / name).string(); }
};

inline void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    rtl::TMemoryStream s(bytes);
    s.SaveToFile(name);
}

// Runs a shell command and answers what it wrote to standard output; `status` is its exit status
// as pclose gives it.
inline std::string RunCommand(const std::string& command, int& status) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) {
        status = -1;
        return out;
    }
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
    status = ::pclose(pipe.release());
    return out;
}

}  // namespace modres_test
