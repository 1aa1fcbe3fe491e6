#include "platform/winres/PEImage.h"

namespace winres {

namespace {

// The file header, after the "PE\0\0" signature.
bool ReadFileHeader(TByteCursor& c, TPEHeaders& h) {
    return c.ReadU16(h.Machine) && c.ReadU16(h.NumberOfSections) && c.ReadU32(h.TimeDateStamp) &&
           c.Skip(8) /* symbol table pointer and count */ && c.ReadU16(h.SizeOfOptionalHeader) &&
           c.ReadU16(h.Characteristics);
}

// The magic and the data directories, which follow the optional header's fixed part (whose size
// depends on the magic). An optional header we do not know keeps magic 0 and no directories.
void ReadOptionalHeader(TBytes optional, TPEHeaders& h) {
    TByteCursor c(optional);
    if (!c.ReadU16(h.OptionalMagic)) return;
    std::uint64_t countAt = 0;
    if (h.OptionalMagic == kOptionalMagicPE32) countAt = 92;
    else if (h.OptionalMagic == kOptionalMagicPE32Plus) countAt = 108;
    std::uint32_t count = 0;
    if (countAt == 0 || !c.Seek(countAt) || !c.ReadU32(count)) {
        h.OptionalMagic = 0;
        return;
    }
    for (std::uint32_t i = 0; i < count && i < 16; ++i) {
        TDataDirectory d;
        if (!c.ReadU32(d.VirtualAddress) || !c.ReadU32(d.Size)) break;  // as many as the header holds
        h.DataDirectories.push_back(d);
    }
}

bool ReadSectionHeader(TByteCursor& c, TSectionHeader& s) {
    s.HeaderOffset = static_cast<std::uint32_t>(c.Position());
    TBytes name;
    if (!c.ReadBytes(8, name)) return false;
    for (std::size_t k = 0; k < 8; ++k) s.Name[k] = static_cast<char>(name[k]);
    return c.ReadU32(s.VirtualSize) && c.ReadU32(s.VirtualAddress) && c.ReadU32(s.SizeOfRawData) &&
           c.ReadU32(s.PointerToRawData) && c.Skip(12) /* relocations and line numbers */ &&
           c.ReadU32(s.Characteristics);
}

}  // namespace

TPEStatus ParsePEHeaders(TBytes image, TPEHeaders& h) {
    h = TPEHeaders{};
    if (image.empty()) return TPEStatus::Empty;
    if (image.size() < 2 || image[0] != 'M' || image[1] != 'Z') return TPEStatus::NotMZ;
    TByteCursor c(image);
    std::uint32_t nt = 0;
    TBytes signature;
    if (!c.Seek(60) || !c.ReadU32(nt) || !c.Seek(nt) || !c.ReadBytes(4, signature)) return TPEStatus::NotPE;
    if (signature[0] != 'P' || signature[1] != 'E' || signature[2] != 0 || signature[3] != 0) return TPEStatus::NotPE;
    h.NtOffset = nt;
    TBytes optional;
    if (!ReadFileHeader(c, h) || !c.ReadBytes(h.SizeOfOptionalHeader, optional)) return TPEStatus::NotPE;
    ReadOptionalHeader(optional, h);
    // The section table follows the optional header by its declared size.
    if (!InBounds(image, c.Position(), 40ull * h.NumberOfSections)) return TPEStatus::BadSections;
    h.Sections.resize(h.NumberOfSections);
    for (auto& section : h.Sections)
        if (!ReadSectionHeader(c, section)) return TPEStatus::BadSections;
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

const TSectionHeader* FindSectionByName(const TPEHeaders& headers, std::string_view name) {
    auto upper = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    for (const auto& s : headers.Sections) {
        bool same = true;
        for (std::size_t i = 0; i < 8 && same; ++i) {
            char a = i < name.size() ? name[i] : '\0';
            same = upper(a) == upper(s.Name[i]);
            if (a == '\0') break;
        }
        if (same) return &s;
    }
    return nullptr;
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

}  // namespace winres
