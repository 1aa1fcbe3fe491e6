#include <gtest/gtest.h>

#include <set>
#include <string>

#include "LangTestUtil.h"
#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/kcompress/kcompress.h"
#include "locstore/KLocales.h"
#include "platform/nls/Nls.h"
#include "tests/support/ErrorCode.h"

using namespace langdata;
using testutil::ErrorCodeOf;

namespace {

// Three small language files (9 native, 10, 12) and their LZK blocks.
struct TPackFixture {
    std::vector<std::vector<std::uint8_t>> Files;
    std::vector<TLangPackItem> Items;

    TPackFixture() {
        locstore::TLocStorage store;
        TLangFileHeader h = langtest::LoadSample(store);
        const std::pair<std::uint16_t, const char*> langs[] = {{9, "English"}, {10, "Spanish"}, {12, "French"}};
        for (auto [id, name] : langs) {
            h.LanguageId = id;
            h.EnglishName = name;
            h.NativeName = std::u16string(name, name + std::char_traits<char>::length(name));
            Files.push_back(MakeLanguageFile(h, store, 0));
            TLangPackItem item;
            item.LanguageId = id;
            item.EnglishName = h.EnglishName;
            item.NativeName = h.NativeName;
            rtl::TMemoryStream in(Files.back()), out;
            CompressLZKStream(in, out);
            item.Block = out.TakeBytes();
            Items.push_back(std::move(item));
        }
    }

    std::vector<std::uint8_t> Pack(std::uint16_t version) const {
        rtl::TMemoryStream out;
        WriteLanguagePack(out, Items, 53, version);
        return out.TakeBytes();
    }
};

}  // namespace

TEST(LangPack, FindsAndDecompressesLanguagesInEveryVersion) {
    TPackFixture fx;
    for (std::uint16_t version : {1, 2, 3, 4}) {
        SCOPED_TRACE(version);
        std::vector<std::uint8_t> pack = fx.Pack(version);
        std::vector<TLangPackEntry> dir;
        rtl::TMemoryStream dest;
        ASSERT_TRUE(ReadLanguagePack(pack, 0, 0, &dest, &dir));
        EXPECT_EQ(dest.Bytes(), fx.Files[0]);
        ASSERT_EQ(dir.size(), 3u);
        EXPECT_TRUE(dir[0].IsFirst);
        EXPECT_FALSE(dir[1].IsFirst);
        EXPECT_EQ(dir[2].LanguageId, 12);
        // Names the pack lacks come from the locale tables.
        EXPECT_EQ(dir[1].EnglishName, version >= 3 ? "Spanish" : locstore::EnglishLanguageName(10));
        std::u16string native = version >= 4 ? u"Spanish" : nls::GetLocaleInfoW(10, nls::LOCALE_SNATIVELANGNAME);
        EXPECT_EQ(dir[1].NativeName, native);

        // Skipping two blocks; the destination is rewritten from its start.
        dest.WriteBytes(std::vector<std::uint8_t>(10, 0xEE));
        ASSERT_TRUE(ReadLanguagePack(pack, 12, 0, &dest));
        dest.SetSize(dest.Position());
        EXPECT_EQ(dest.Bytes(), fx.Files[2]);
        EXPECT_FALSE(ReadLanguagePack(pack, 7, 0, &dest));
        EXPECT_FALSE(ReadLanguagePack(pack, 10, lpoHeaderOnly, &dest, &dir));
        EXPECT_EQ(dir.size(), 3u);
        EXPECT_FALSE(ReadLanguagePack(pack, 10, 0, nullptr));

        TLangPackLayout layout = ReadLangPackLayout(pack);
        EXPECT_EQ(layout.PackVersion, version);
        EXPECT_EQ(layout.ProjectVersion, 53u);
        ASSERT_EQ(layout.Blocks.size(), 3u);
        EXPECT_EQ(layout.Blocks[1].BlockSize, fx.Items[1].Block.size());
    }
}

// A pack without native names takes them from the locale data in the language's own code page,
// whatever the system's: Russian reads as Russian on a Western system.
TEST(LangPack, NativeNamesFromTheLocaleDataKeepTheirLetters) {
    TPackFixture fx;
    fx.Items[1].LanguageId = 0x19;
    const std::vector<std::uint8_t> pack = fx.Pack(3);
    std::vector<TLangPackEntry> dir;
    rtl::TMemoryStream dest;
    ASSERT_TRUE(ReadLanguagePack(pack, 0, 0, &dest, &dir));
    ASSERT_EQ(dir.size(), 3u);
    EXPECT_EQ(dir[1].NativeName, u"\u0440\u0443\u0441\u0441\u043a\u0438\u0439");
}

TEST(LangPack, PlainBlocksAreCopiedAsTheyAre) {
    TPackFixture fx;
    fx.Items[1].Block = fx.Files[1];
    fx.Items[1].Block.push_back(0x42);  // bytes after the language file are kept too
    std::vector<std::uint8_t> pack = fx.Pack(4);
    rtl::TMemoryStream dest;
    ASSERT_TRUE(ReadLanguagePack(pack, 10, 0, &dest));
    EXPECT_EQ(dest.Bytes(), fx.Items[1].Block);
}

TEST(LangPack, DamagedPacks) {
    TPackFixture fx;
    EXPECT_FALSE(ReadLanguagePack(std::vector<std::uint8_t>{'K', 'L', 'X', 4, 0}, 0, 0, nullptr));
    EXPECT_FALSE(ReadLanguagePack(std::vector<std::uint8_t>{}, 0, 0, nullptr));
    EXPECT_THROW(ReadLangPackLayout(std::vector<std::uint8_t>{'X'}), ELangPackError);
    EXPECT_EQ(ErrorCodeOf([] { ReadLangPackLayout(std::vector<std::uint8_t>{'X'}); }), "pack.header.magic");

    for (std::uint16_t version : {1, 4}) {
        std::vector<std::uint8_t> pack = fx.Pack(version);
        // The last block cut short: "Invalid VAZOZO resource" when that block is wanted.
        std::vector<std::uint8_t> cut(pack.begin(), pack.end() - 1);
        rtl::TMemoryStream dest;
        EXPECT_TRUE(ReadLanguagePack(cut, 10, 0, &dest));
        try {
            ReadLanguagePack(cut, 12, 0, &dest);
            FAIL();
        } catch (const ELangPackError& e) {
            EXPECT_EQ(e.Message(), "Invalid VAZOZO resource");
            EXPECT_EQ(e.Code(), "pack.block.outside");
        }
        // Cut anywhere: false, the pack's error or a read error, never more, and each names
        // the part of the pack the bytes end in.
        const std::set<std::string> codes = {"pack.header.magic", "pack.header.short", "pack.dir.count",
                                             "pack.dir.short",    "pack.block.size",   "pack.block.outside"};
        for (std::size_t n = 0; n < pack.size(); ++n) {
            std::vector<std::uint8_t> part(pack.begin(), pack.begin() + static_cast<long>(n));
            for (std::uint32_t id : {0u, 12u}) {
                try {
                    ReadLanguagePack(part, id, 0, &dest);
                } catch (const ELangPackError& e) {
                    EXPECT_TRUE(codes.count(std::string(e.Code()))) << n << ": " << e.Code();
                } catch (const rtl::EReadError& e) {
                    EXPECT_TRUE(codes.count(std::string(e.Code()))) << n << ": " << e.Code();
                }
            }
            const std::string code = ErrorCodeOf([&] { ReadLangPackLayout(part); });
            EXPECT_TRUE(codes.count(code)) << n << ": " << code;
            if (n < 3) {
                EXPECT_EQ(code, "pack.header.magic") << n;
            } else if (n < 11) {
                EXPECT_EQ(code, "pack.header.short") << n;
            }
        }
    }
    // A directory count far beyond the bytes.
    std::vector<std::uint8_t> huge = {'K', 'L', 'L', 4, 0, 53, 0, 0, 0, 0xFF, 0xFF, 9, 0};
    rtl::TMemoryStream dest;
    EXPECT_THROW(ReadLanguagePack(huge, 0, 0, &dest), rtl::EReadError);
    EXPECT_EQ(ErrorCodeOf([&] { ReadLanguagePack(huge, 0, 0, &dest); }), "pack.dir.count");
    // A directory whose name runs past the end.
    std::vector<std::uint8_t> name = {'K', 'L', 'L', 4, 0, 53, 0, 0, 0, 1, 0, 9, 0, 40, 'E', 'n'};
    EXPECT_EQ(ErrorCodeOf([&] { ReadLanguagePack(name, 0, 0, &dest); }), "pack.dir.short");
    // A size field cut off.
    std::vector<std::uint8_t> size = {'K', 'L', 'L', 2, 0, 53, 0, 0, 0, 1, 0, 9, 0, 1, 0};
    EXPECT_EQ(ErrorCodeOf([&] { ReadLanguagePack(size, 0, 0, &dest); }), "pack.block.size");
    // A block size far beyond the pack.
    std::vector<std::uint8_t> big = {'K', 'L', 'L', 2, 0, 53, 0, 0, 0, 1, 0, 9, 0, 0xFF, 0xFF, 0xFF, 0x7F, 1, 2};
    EXPECT_EQ(ErrorCodeOf([&] { ReadLanguagePack(big, 0, 0, &dest); }), "pack.block.outside");
}

TEST(LangPack, WriterRefusesBlocksTooLargeForVersionOne) {
    TLangPackItem item;
    item.Block.resize(70000);
    rtl::TMemoryStream out;
    EXPECT_THROW(WriteLanguagePack(out, {item}, 53, 1), ELangPackError);
    EXPECT_NO_THROW(WriteLanguagePack(out, {item}, 53, 2));
}
