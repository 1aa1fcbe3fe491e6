#include "langdata/LangPack.h"

#include <cstring>

#include "langdata/LocLangFile.h"
#include "platform/rtl/PackedStrings.h"
#include "locstore/KLocales.h"
#include "platform/nls/Nls.h"
#include "platform/rtl/RtlConsts.h"

namespace langdata {

namespace {

constexpr int kNamePrefixVersion = 6;  // directory names always use the variable-length prefix

struct TPackHead {
    std::uint16_t PackVersion = 0;
    std::uint32_t ProjectVersion = 0;
    std::vector<TLangPackEntry> Entries;
};

// Reads magic, head and directory; false when the bytes are no pack. A pack version above ours
// raises ELangPackError; a directory cut short raises the stream's read error.
void ReadDirectory(rtl::TStream& in, TPackHead& head, std::uint16_t count);

bool ReadHead(rtl::TStream& in, TPackHead& head) {
    char magic[3];
    if (in.Read(magic, 3) != 3 || std::memcmp(magic, "KLL", 3) != 0) return false;
    std::uint16_t count = 0;
    rtl::WithReadErrorCode("pack.header.short", [&] {
        head.PackVersion = in.ReadU16();
        // A newer pack than we know may lay out its directory otherwise: refused, as a language
        // file of a newer format is.
        if (head.PackVersion > LangPackVersion)
            throw ELangPackError(ELangPackError::CreateRes, SLFNewerFormat).WithCode("pack.header.newer");
        head.ProjectVersion = in.ReadU32();
        count = in.ReadU16();
    });
    // Each entry takes at least two bytes: a count beyond the bytes left is a damaged pack.
    if (std::int64_t{count} * 2 > in.Remaining())
        throw rtl::EReadError(rtl::EReadError::CreateRes, rtl::SReadError).WithCode("pack.dir.count");
    rtl::WithReadErrorCode("pack.dir.short", [&] { ReadDirectory(in, head, count); });
    return true;
}

void ReadDirectory(rtl::TStream& in, TPackHead& head, std::uint16_t count) {
    head.Entries.reserve(count);
    for (int i = 0; i < count; ++i) {
        TLangPackEntry e;
        e.LanguageId = in.ReadU16();
        e.IsFirst = i == 0;
        if (head.PackVersion >= 3)
            e.EnglishName = rtl::ReadPackedString(in, kNamePrefixVersion);
        else
            e.EnglishName = locstore::EnglishLanguageName(e.LanguageId);
        if (head.PackVersion >= 4)
            e.NativeName = rtl::ReadPackedWideString(in, kNamePrefixVersion);
        else
            // The locale data gives the name in the language's own code page, not the system's.
            e.NativeName = locstore::AnsiToWideByLanguage(
                locstore::LocaleString(e.LanguageId, locstore::LOCALE_SNATIVELANGNAME), e.LanguageId);
        head.Entries.push_back(std::move(e));
    }
}

[[noreturn]] void RaiseCutShort(std::string_view code = "pack.block.outside") {
    throw ELangPackError(ELangPackError::CreateRes, SInvalidVazozoResource).WithCode(code);
}

std::uint32_t ReadBlockSize(rtl::TStream& in, std::uint16_t packVersion) {
    // A size field cut off by the end of the pack is a block cut short as well.
    if (in.Remaining() < (packVersion < 2 ? 2 : 4)) RaiseCutShort("pack.block.size");
    return packVersion < 2 ? in.ReadU16() : in.ReadU32();
}

}  // namespace

bool ReadLanguagePack(std::span<const std::uint8_t> pack, std::uint32_t languageId, unsigned options,
                      rtl::TStream* dest, std::vector<TLangPackEntry>* directory) {
    rtl::TReadOnlyStream in(pack);
    TPackHead head;
    if (!ReadHead(in, head)) return false;
    if (directory) *directory = head.Entries;

    int wanted = -1;
    if (languageId == 0 && !head.Entries.empty()) {
        wanted = 0;
    } else {
        for (std::size_t i = 0; i < head.Entries.size(); ++i)
            if (head.Entries[i].LanguageId == languageId) {
                wanted = static_cast<int>(i);
                break;
            }
    }
    if (wanted < 0 || (options & lpoHeaderOnly) != 0 || dest == nullptr) return false;

    for (int k = 0; k < wanted; ++k) {
        std::uint32_t size = ReadBlockSize(in, head.PackVersion);
        if (size > in.Remaining()) RaiseCutShort();
        in.Seek(size, rtl::TSeekOrigin::soCurrent);
    }
    std::uint32_t size = ReadBlockSize(in, head.PackVersion);
    if (size > in.Remaining()) RaiseCutShort();
    std::int64_t start = in.Position();
    rtl::TReadOnlyStream block(pack.subspan(static_cast<std::size_t>(start), size));

    dest->SetPosition(0);
    if (IsLZKLangStream(block))
        DecompressLangStream(block, *dest);
    else
        dest->CopyFrom(block, 0);
    return true;
}

TLangPackLayout ReadLangPackLayout(std::span<const std::uint8_t> pack) {
    rtl::TReadOnlyStream in(pack);
    TPackHead head;
    if (!ReadHead(in, head)) throw ELangPackError(ELangPackError::CreateRes, SLPNotAPack).WithCode("pack.header.magic");
    TLangPackLayout layout;
    layout.PackVersion = head.PackVersion;
    layout.ProjectVersion = head.ProjectVersion;
    for (auto& e : head.Entries) {
        TLangPackBlockInfo info;
        info.Entry = std::move(e);
        info.BlockSize = ReadBlockSize(in, head.PackVersion);
        if (info.BlockSize > in.Remaining()) RaiseCutShort();
        info.Offset = static_cast<std::uint64_t>(in.Position());
        in.Seek(info.BlockSize, rtl::TSeekOrigin::soCurrent);
        layout.Blocks.push_back(std::move(info));
    }
    return layout;
}

void WriteLanguagePack(rtl::TStream& out, const std::vector<TLangPackItem>& items, std::uint32_t projectVersion,
                       std::uint16_t packVersion) {
    if (items.size() > 0xFFFF)
        throw ELangPackError(ELangPackError::CreateResFmt, SLPTooManyLanguages, {items.size()});
    for (const auto& item : items)
        if (packVersion < 2 && item.Block.size() > 0xFFFF)
            throw ELangPackError(ELangPackError::CreateResFmt, SLPBlockTooLarge,
                                 {item.Block.size(), static_cast<int>(packVersion)});
    out.WriteBuffer("KLL", 3);
    out.WriteU16(packVersion);
    out.WriteU32(projectVersion);
    out.WriteU16(static_cast<std::uint16_t>(items.size()));
    for (const auto& item : items) {
        out.WriteU16(item.LanguageId);
        if (packVersion >= 3) rtl::WritePackedString(out, item.EnglishName, kNamePrefixVersion);
        if (packVersion >= 4) rtl::WritePackedWideString(out, item.NativeName, kNamePrefixVersion);
    }
    for (const auto& item : items) {
        if (packVersion < 2)
            out.WriteU16(static_cast<std::uint16_t>(item.Block.size()));
        else
            out.WriteU32(static_cast<std::uint32_t>(item.Block.size()));
        out.WriteBytes(item.Block);
    }
}

}  // namespace langdata
