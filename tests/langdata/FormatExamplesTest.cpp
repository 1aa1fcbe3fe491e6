// The worked examples of docs/formats/langfile.md and docs/formats/langpack.md, read from
// tests/data/formats/. The example files were written byte by byte from the pages, not by our
// writer, so the writer and the reader cannot share a mistake.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "langdata/LangPack.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "tests/support/ErrorCode.h"

using namespace langdata;
using namespace locstore;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadExample(const std::string& name) {
    std::ifstream in(std::string(VLMRK_TEST_DATA_DIR) + "/formats/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void LoadStructure(const Bytes& bytes, TLangFile& file, TLocStorage& store) {
    rtl::TMemoryStream in(bytes);
    file.LoadFromStream(in, &store, 0, -1);
}

// Every shorter prefix of a file fails to load: the reader needs each byte the page lists.
void ExpectEveryPrefixFails(const Bytes& bytes) {
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        TLangFile file;
        TLocStorage store;
        EXPECT_ANY_THROW(LoadStructure(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)), file, store))
            << "prefix of " << n << " bytes";
    }
}

}  // namespace

TEST(LangFileFormatPage, Version7ExampleReadsAsThePageSays) {
    const Bytes bytes = ReadExample("langfile-v7-example.lng");
    ASSERT_EQ(bytes.size(), 250u);
    TLangFile file;
    TLocStorage store;
    LoadStructure(bytes, file, store);

    EXPECT_EQ(file.FormatVersion(), 7);
    EXPECT_EQ(file.Version(), 53u);
    EXPECT_EQ(file.Build(), 2u);
    EXPECT_EQ(file.LanguageId(), 10u);
    EXPECT_EQ(file.BasedOnLanguageId(), 9);
    EXPECT_EQ(file.EnglishName(), "Spanish");
    EXPECT_EQ(file.NativeName(), u"espa\u00f1ol");
    EXPECT_FALSE(file.IsNative());
    EXPECT_EQ(file.Options(), 0x0100);
    EXPECT_EQ(file.MaxConstantId(), 10u);
    EXPECT_EQ(file.MaxPropertyId(), 5u);
    EXPECT_EQ(file.MaxExternalId(), 1u);
    EXPECT_EQ(store.BaseLanguageId(), 10);

    ASSERT_EQ(store.Units().Count(), 1);
    TLocUnit* unit = store.Units().ItemAt(0);
    EXPECT_EQ(unit->Name(), "PrjConst");
    TLocConstant* ready = unit->Constants().Find("SReady");
    ASSERT_NE(ready, nullptr);
    EXPECT_EQ(ready->Id(), 7);
    EXPECT_EQ(ready->ResourceId(), 65258u);
    EXPECT_EQ(ready->BaseValue()->Text(), u"Listo");
    EXPECT_EQ(ready->BaseValue()->Revision(), 3);
    EXPECT_EQ(ready->BaseValue()->Stamp(), 0x3FF0000000000000ull);  // 1.0: 31 December 1899

    ASSERT_EQ(store.Forms().Count(), 1);
    TLocForm* form = store.Forms().ItemAt(0);
    EXPECT_EQ(form->Name(), "Form1");
    EXPECT_EQ(form->Flags(), 1);
    TLocProperty* caption = form->Properties().Find("Caption");
    ASSERT_NE(caption, nullptr);
    EXPECT_EQ(caption->Id(), 1);
    EXPECT_EQ(caption->ValueKind(), 2);
    EXPECT_EQ(caption->BaseValue()->Text(), u"Hola");
    // Revision -1 in a structure load: the base text takes the file's project version.
    EXPECT_EQ(caption->BaseValue()->Revision(), 53);
    TLocComponent* label = form->FindComponent("lbl1");
    ASSERT_NE(label, nullptr);
    TLocProperty* width = label->Properties().Find("Width");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->Id(), 2);
    EXPECT_EQ(width->ValueKind(), 1);
    EXPECT_EQ(width->BaseValue()->Text(), u"120");
    EXPECT_EQ(width->BaseValue()->Revision(), 1);

    ASSERT_EQ(store.ExternalGroups().Count(), 1);
    TLocExtGroup* group = store.ExternalGroups().ItemAt(0);
    EXPECT_EQ(group->Name(), "Web");
    TLocExtItem* home = group->Entries().Find("Home");
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->Id(), 1);
    EXPECT_EQ(home->BaseValue()->Text(), u"Inicio");
    EXPECT_EQ(home->BaseValue()->Revision(), 2);

    ExpectEveryPrefixFails(bytes);
}

TEST(LangFileFormatPage, Version1ExampleHasNoneOfTheLaterFields) {
    const Bytes bytes = ReadExample("langfile-v1-example.lng");
    ASSERT_EQ(bytes.size(), 124u);
    TLangFile file;
    TLocStorage store;
    LoadStructure(bytes, file, store);
    EXPECT_EQ(file.FormatVersion(), 1);
    EXPECT_EQ(file.Version(), 53u);
    EXPECT_EQ(file.Build(), 0u);
    EXPECT_EQ(file.LanguageId(), 9u);
    EXPECT_EQ(file.BasedOnLanguageId(), 0);
    EXPECT_EQ(file.EnglishName(), "English");
    EXPECT_EQ(file.NativeName(), u"English");
    EXPECT_TRUE(file.IsNative());
    EXPECT_EQ(file.Options(), 0);
    EXPECT_EQ(file.MaxConstantId(), 5u);
    EXPECT_EQ(file.MaxPropertyId(), 3u);

    TLocConstant* hi = store.Units().ItemAt(0)->Constants().Find("SHi");
    ASSERT_NE(hi, nullptr);
    EXPECT_EQ(store.Units().ItemAt(0)->Name(), "Main");
    EXPECT_EQ(hi->ResourceId(), 4096u);
    EXPECT_EQ(hi->Id(), 5);
    EXPECT_EQ(hi->BaseValue()->Text(), u"Hi");
    EXPECT_EQ(hi->BaseValue()->Flags(), 0);
    // An integer property carries no value bytes up to format 3: its text stays empty.
    TLocProperty* width = store.Forms().ItemAt(0)->Properties().Find("Width");
    ASSERT_NE(width, nullptr);
    EXPECT_EQ(width->ValueKind(), 1);
    EXPECT_EQ(width->BaseValue()->Text(), u"");
    EXPECT_EQ(width->BaseValue()->Revision(), 1);
    EXPECT_EQ(store.ExternalGroups().Count(), 0);

    ExpectEveryPrefixFails(bytes);
}

TEST(LangFileFormatPage, HeaderChecksRefuseWhatThePageSays) {
    Bytes bytes = ReadExample("langfile-v7-example.lng");
    auto messageFor = [](Bytes b) {
        try {
            TLangFile file;
            TLocStorage store;
            LoadStructure(b, file, store);
        } catch (const ELangFileError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    Bytes newer = bytes;
    newer[2] = 8;
    EXPECT_EQ(messageFor(newer), rtl::LoadResString(SLFNewerFormat));
    Bytes zero = bytes;
    zero[2] = 0;
    EXPECT_EQ(messageFor(zero), "Invalid file format");
    Bytes magic = bytes;
    magic[1] = 'G';
    EXPECT_EQ(messageFor(magic), "Invalid file format");
    // One code per check, so the two refusals with the same text can be told apart.
    auto codeFor = [](Bytes b) {
        return testutil::ErrorCodeOf([&] {
            TLangFile file;
            TLocStorage store;
            LoadStructure(b, file, store);
        });
    };
    EXPECT_EQ(codeFor(newer), "lng.header.newer");
    EXPECT_EQ(codeFor(zero), "lng.header.version");
    EXPECT_EQ(codeFor(magic), "lng.header.magic");
}

TEST(LangPackFormatPage, ExampleDirectoryAndBlocks) {
    const Bytes pack = ReadExample("langpack-v4-example.bin");
    ASSERT_EQ(pack.size(), 135u);
    std::vector<TLangPackEntry> dir;
    rtl::TMemoryStream dest;
    ASSERT_TRUE(ReadLanguagePack(pack, 0, 0, &dest, &dir));
    ASSERT_EQ(dir.size(), 2u);
    EXPECT_EQ(dir[0].LanguageId, 9);
    EXPECT_EQ(dir[0].EnglishName, "English");
    EXPECT_EQ(dir[0].NativeName, u"English");
    EXPECT_TRUE(dir[0].IsFirst);
    EXPECT_EQ(dir[1].LanguageId, 10);
    EXPECT_EQ(dir[1].EnglishName, "Spanish");
    EXPECT_EQ(dir[1].NativeName, u"espa\u00f1ol");
    EXPECT_FALSE(dir[1].IsFirst);
    // The first block is stored as it is: the 28 bytes at offset 65.
    EXPECT_EQ(dest.Bytes(), Bytes(pack.begin() + 65, pack.begin() + 93));

    // The second is an LZK stream of one literal run: the same language file for Spanish.
    rtl::TMemoryStream spanish;
    ASSERT_TRUE(ReadLanguagePack(pack, 10, 0, &spanish));
    EXPECT_EQ(spanish.Bytes(), Bytes(pack.begin() + 107, pack.end()));
    TLangFile file;
    file.ReadHeader(spanish, false);
    EXPECT_EQ(file.LanguageId(), 10u);
    EXPECT_EQ(file.Version(), 53u);
    EXPECT_FALSE(file.IsNative());

    TLangPackLayout layout = ReadLangPackLayout(pack);
    EXPECT_EQ(layout.PackVersion, 4);
    EXPECT_EQ(layout.ProjectVersion, 53u);
    ASSERT_EQ(layout.Blocks.size(), 2u);
    EXPECT_EQ(layout.Blocks[0].Offset, 65u);
    EXPECT_EQ(layout.Blocks[0].BlockSize, 28u);
    EXPECT_EQ(layout.Blocks[1].Offset, 97u);
    EXPECT_EQ(layout.Blocks[1].BlockSize, 38u);
    EXPECT_FALSE(ReadLanguagePack(pack, 12, 0, &dest));
}

TEST(LangPackFormatPage, ANewerPackVersionIsRefusedLikeANewerLanguageFile) {
    Bytes pack = ReadExample("langpack-v4-example.bin");
    for (std::uint16_t version : {5, 0x0100, 0xFFFF}) {
        SCOPED_TRACE(version);
        pack[3] = static_cast<std::uint8_t>(version);
        pack[4] = static_cast<std::uint8_t>(version >> 8);
        rtl::TMemoryStream dest;
        std::vector<TLangPackEntry> dir;
        try {
            ReadLanguagePack(pack, 0, 0, &dest, &dir);
            FAIL() << "read";
        } catch (const ELangPackError& e) {
            EXPECT_EQ(e.Message(), rtl::LoadResString(SLFNewerFormat));
            EXPECT_EQ(e.Code(), "pack.header.newer");
        }
        EXPECT_TRUE(dir.empty());
        EXPECT_EQ(dest.Size(), 0);
        EXPECT_THROW(ReadLangPackLayout(pack), ELangPackError);
    }
    // Version 0 has the layout of version 1: 16-bit block sizes, no names.
    Bytes v0 = {'K', 'L', 'L', 0, 0, 53, 0, 0, 0, 1, 0, 9, 0, 2, 0, 'L', 'F'};
    rtl::TMemoryStream dest;
    ASSERT_TRUE(ReadLanguagePack(v0, 0, 0, &dest));
    EXPECT_EQ(dest.Bytes(), (Bytes{'L', 'F'}));
    // A block of 0 bytes is an empty language file, which the language file reader refuses.
    Bytes empty = {'K', 'L', 'L', 4, 0, 53, 0, 0, 0, 1, 0, 9, 0, 0, 0, 0, 0, 0, 0};
    rtl::TMemoryStream nothing;
    ASSERT_TRUE(ReadLanguagePack(empty, 9, 0, &nothing));
    EXPECT_EQ(nothing.Size(), 0);
    TLangFile file;
    TLocStorage store;
    EXPECT_THROW(file.LoadFromStream(nothing, &store, 0, -1), rtl::EReadError);
    nothing.SetPosition(0);
    EXPECT_EQ(testutil::ErrorCodeOf([&] { file.LoadFromStream(nothing, &store, 0, -1); }), "lng.header.short");
}
