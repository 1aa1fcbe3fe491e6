#include "platform/winres/PEImage.h"

namespace winres {

std::optional<std::uint16_t> PeekU16(TBytes bytes, std::uint64_t offset) {
    if (!InBounds(bytes, offset, 2)) return std::nullopt;
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::optional<std::uint32_t> PeekU32(TBytes bytes, std::uint64_t offset) {
    if (!InBounds(bytes, offset, 4)) return std::nullopt;
    return static_cast<std::uint32_t>(bytes[offset]) | (static_cast<std::uint32_t>(bytes[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 16) | (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

TPEStatus ParsePEHeaders(TBytes image, TPEHeaders& h) {
    h = TPEHeaders{};
    if (image.empty()) return TPEStatus::Empty;
    if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') return TPEStatus::NotMZ;
    auto lfanew = PeekU32(image, 60);
    if (!lfanew) return TPEStatus::NotPE;
    const std::uint64_t nt = *lfanew;
    // Signature and the 20-byte file header.
    if (!InBounds(image, nt, 24)) return TPEStatus::NotPE;
    if (image[nt] != 'P' || image[nt + 1] != 'E' || image[nt + 2] != 0 || image[nt + 3] != 0) return TPEStatus::NotPE;
    h.NtOffset = static_cast<std::uint32_t>(nt);
    h.Machine = *PeekU16(image, nt + 4);
    h.NumberOfSections = *PeekU16(image, nt + 6);
    h.TimeDateStamp = *PeekU32(image, nt + 8);
    h.SizeOfOptionalHeader = *PeekU16(image, nt + 20);
    h.Characteristics = *PeekU16(image, nt + 22);
    const std::uint64_t opt = nt + 24;
    if (!InBounds(image, opt, h.SizeOfOptionalHeader)) return TPEStatus::NotPE;
    if (h.SizeOfOptionalHeader >= 2) {
        h.OptionalMagic = *PeekU16(image, opt);
        // The data directories follow the fixed part, whose size depends on the magic.
        std::uint64_t countAt = 0;
        if (h.OptionalMagic == kOptionalMagicPE32) countAt = 92;
        else if (h.OptionalMagic == kOptionalMagicPE32Plus) countAt = 108;
        if (countAt != 0 && countAt + 4 <= h.SizeOfOptionalHeader) {
            std::uint32_t count = *PeekU32(image, opt + countAt);
            std::uint64_t room = (h.SizeOfOptionalHeader - (countAt + 4)) / 8;
            if (count > 16) count = 16;
            if (count > room) count = static_cast<std::uint32_t>(room);
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint64_t at = opt + countAt + 4 + 8ull * i;
                h.DataDirectories.push_back({*PeekU32(image, at), *PeekU32(image, at + 4)});
            }
        } else {
            h.OptionalMagic = 0;
        }
    }
    const std::uint64_t table = opt + h.SizeOfOptionalHeader;
    if (!InBounds(image, table, 40ull * h.NumberOfSections)) return TPEStatus::BadSections;
    h.Sections.reserve(h.NumberOfSections);
    for (std::uint32_t i = 0; i < h.NumberOfSections; ++i) {
        std::uint64_t at = table + 40ull * i;
        TSectionHeader s;
        for (int k = 0; k < 8; ++k) s.Name[k] = static_cast<char>(image[at + k]);
        s.VirtualSize = *PeekU32(image, at + 8);
        s.VirtualAddress = *PeekU32(image, at + 12);
        s.SizeOfRawData = *PeekU32(image, at + 16);
        s.PointerToRawData = *PeekU32(image, at + 20);
        s.Characteristics = *PeekU32(image, at + 36);
        s.HeaderOffset = static_cast<std::uint32_t>(at);
        h.Sections.push_back(s);
    }
    return TPEStatus::Ok;
}

std::optional<std::uint32_t> RvaToOffset(const TPEHeaders& headers, TBytes image, std::uint32_t rva,
                                         std::uint32_t size) {
    for (const auto& s : headers.Sections) {
        if (rva < s.VirtualAddress) continue;
        std::uint64_t delta = static_cast<std::uint64_t>(rva) - s.VirtualAddress;
        if (delta + size > s.SizeOfRawData) continue;
        std::uint64_t offset = static_cast<std::uint64_t>(s.PointerToRawData) + delta;
        if (!InBounds(image, offset, size)) continue;
        return static_cast<std::uint32_t>(offset);
    }
    return std::nullopt;
}

TResName::TResName(const std::string& name) {
    if (name.size() > 1 && name[0] == '#') {
        std::uint32_t value = 0;
        bool digits = name.size() <= 6;
        for (std::size_t i = 1; digits && i < name.size(); ++i) {
            if (name[i] < '0' || name[i] > '9') digits = false;
            else value = value * 10 + static_cast<std::uint32_t>(name[i] - '0');
        }
        if (digits && value <= 0xFFFF) {
            isId_ = true;
            id_ = static_cast<std::uint16_t>(value);
            return;
        }
    }
    for (unsigned char c : name) name_.push_back(c);
}

std::string TResName::ToString() const {
    if (isId_) return std::to_string(id_);
    std::string out;
    for (char16_t c : name_) out.push_back(c < 256 ? static_cast<char>(c) : '?');
    return out;
}

bool TResName::Matches(const TResName& other) const {
    if (isId_ != other.isId_) return false;
    if (isId_) return id_ == other.id_;
    if (name_.size() != other.name_.size()) return false;
    auto upper = [](char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c; };
    for (std::size_t i = 0; i < name_.size(); ++i)
        if (upper(name_[i]) != upper(other.name_[i])) return false;
    return true;
}

namespace {

struct TDirReader {
    TBytes Region;  // the resource section from the directory root to its end
    std::string& Error;

    bool Fail(const char* why) {
        Error = why;
        return false;
    }

    // The entry count of the directory at the offset, checked to fit in the region.
    bool Directory(std::uint32_t offset, std::uint32_t& count) {
        auto named = PeekU16(Region, offset + 12ull);
        auto ids = PeekU16(Region, offset + 14ull);
        if (!named || !ids) return Fail("resource directory outside the image");
        count = static_cast<std::uint32_t>(*named) + *ids;
        if (!InBounds(Region, offset + 16ull, 8ull * count)) return Fail("resource directory entries outside the image");
        return true;
    }

    bool Name(std::uint32_t rawName, TResName& name) {
        if (!(rawName & 0x80000000u)) {
            name = TResName(static_cast<int>(rawName & 0xFFFF));
            return true;
        }
        std::uint32_t at = rawName & 0x7FFFFFFFu;
        auto length = PeekU16(Region, at);
        if (!length || !InBounds(Region, at + 2ull, 2ull * *length)) return Fail("resource name outside the image");
        std::u16string text;
        text.reserve(*length);
        for (std::uint32_t i = 0; i < *length; ++i) text.push_back(static_cast<char16_t>(*PeekU16(Region, at + 2ull + 2ull * i)));
        name = TResName(std::move(text));
        return true;
    }
};

}  // namespace

bool ReadResourceIndex(TBytes image, const TPEHeaders& headers, std::vector<TResourceEntry>& entries,
                       std::string& error) {
    entries.clear();
    if (headers.DataDirectories.size() <= static_cast<std::size_t>(kResourceDirectoryIndex)) return true;
    const auto& dir = headers.DataDirectories[kResourceDirectoryIndex];
    if (dir.VirtualAddress == 0) return true;
    // The directory tree may use the whole section that holds its root.
    std::optional<std::uint32_t> root = RvaToOffset(headers, image, dir.VirtualAddress, 16);
    const TSectionHeader* section = nullptr;
    for (const auto& s : headers.Sections) {
        if (dir.VirtualAddress >= s.VirtualAddress &&
            static_cast<std::uint64_t>(dir.VirtualAddress) - s.VirtualAddress + 16 <= s.SizeOfRawData) {
            section = &s;
            break;
        }
    }
    if (!root || !section) {
        error = "resource directory outside the image";
        return false;
    }
    std::uint64_t end = static_cast<std::uint64_t>(section->PointerToRawData) + section->SizeOfRawData;
    if (end > image.size()) end = image.size();
    TDirReader r{image.subspan(*root, static_cast<std::size_t>(end - *root)), error};

    std::uint32_t typeCount = 0;
    if (!r.Directory(0, typeCount)) return false;
    for (std::uint32_t t = 0; t < typeCount; ++t) {
        std::uint32_t typeEntry = 16 + 8 * t;
        TResName type;
        if (!r.Name(*PeekU32(r.Region, typeEntry), type)) return false;
        std::uint32_t typeData = *PeekU32(r.Region, typeEntry + 4ull);
        if (!(typeData & 0x80000000u)) continue;  // a type must lead to a directory of names
        std::uint32_t nameDir = typeData & 0x7FFFFFFFu;
        std::uint32_t nameCount = 0;
        if (!r.Directory(nameDir, nameCount)) return false;
        for (std::uint32_t n = 0; n < nameCount; ++n) {
            std::uint64_t nameEntry = nameDir + 16ull + 8ull * n;
            TResName name;
            if (!r.Name(*PeekU32(r.Region, nameEntry), name)) return false;
            std::uint32_t nameData = *PeekU32(r.Region, nameEntry + 4);
            std::uint32_t dataEntry = nameData;
            if (nameData & 0x80000000u) {
                // A directory of languages: the first one is the resource.
                std::uint32_t langDir = nameData & 0x7FFFFFFFu, langCount = 0;
                if (!r.Directory(langDir, langCount)) return false;
                if (langCount == 0) continue;
                dataEntry = *PeekU32(r.Region, langDir + 16ull + 4);
                if (dataEntry & 0x80000000u) continue;  // a fourth level is not a resource
            }
            auto rva = PeekU32(r.Region, dataEntry);
            auto size = PeekU32(r.Region, dataEntry + 4ull);
            if (!rva || !size || !InBounds(r.Region, dataEntry, 16)) {
                error = "resource data entry outside the image";
                return false;
            }
            auto offset = RvaToOffset(headers, image, *rva, *size);
            if (!offset) {
                error = "resource data outside the image";
                return false;
            }
            if (entries.size() >= kMaxResources) {
                error = "too many resources";
                return false;
            }
            entries.push_back(TResourceEntry{type, std::move(name), *offset, *size});
        }
    }
    return true;
}

}  // namespace winres
