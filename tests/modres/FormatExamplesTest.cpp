// The worked examples of docs/formats/resimage.md and of the settings record in
// docs/formats/langpack.md, read from tests/data/formats/.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "tests/modres/TestImages.h"
#include "tests/support/ErrorCode.h"

using namespace modres;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadExample(const std::string& name) {
    std::ifstream in(std::string(VLMRK_TEST_DATA_DIR) + "/formats/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(SettingsRecordFormatPage, ExampleReadsAndIsWhatTheWriterWrites) {
    const Bytes bytes = ReadExample("settings-ldll-example.bin");
    ASSERT_EQ(bytes.size(), 44u);
    rtl::TMemoryStream in(bytes);
    TSettingsRecord r;
    ReadSettingsRecord(in, r);
    EXPECT_EQ(r.Magic, "LDLL");
    EXPECT_EQ(r.Version, 53u);
    EXPECT_EQ(r.LanguageId, 10u);
    EXPECT_EQ(r.EnglishName, "Spanish");
    EXPECT_EQ(r.NativeName, u"espa\u00f1ol");
    EXPECT_EQ(r.CopiedWord, 6);
    EXPECT_EQ(r.Reserved, 0x1234);
    EXPECT_TRUE(r.HasBuild);
    EXPECT_EQ(r.Build, 2u);

    EXPECT_EQ(WriteSettingsRecord("LDLL", 53, 10, "Spanish", u"espa\u00f1ol", 6, 0x1234, 2), bytes);

    // Ending right after the names (offset 35), or at most 4 bytes later: Build 0.
    for (std::size_t end : {35u, 37u, 39u}) {
        rtl::TMemoryStream shortIn(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(end)));
        TSettingsRecord s;
        ReadSettingsRecord(shortIn, s);
        EXPECT_FALSE(s.HasBuild) << end;
        EXPECT_EQ(s.Build, 0u);
    }
    // Cut inside the fixed fields, the names or Build: the stream's read error, with the part.
    const std::pair<std::size_t, const char*> cuts[] = {
        {2, "rec.header.short"}, {9, "rec.header.short"}, {11, "rec.names.short"},
        {30, "rec.names.short"}, {41, "rec.build.short"}};
    for (const auto& [end, code] : cuts) {
        rtl::TMemoryStream cut(Bytes(bytes.begin(), bytes.begin() + static_cast<long>(end)));
        EXPECT_THROW(ReadSettingsRecord(cut, r), rtl::EReadError) << end;
        EXPECT_EQ(testutil::ErrorCodeOf([&] { ReadSettingsRecord(cut, r); }), code) << end;
    }
}

TEST(ResourceImageFormatPage, ExampleIsWhatTheProcessorWritesAndReadsBack) {
    const Bytes image = ReadExample("resimage-example.dll");
    ASSERT_EQ(image.size(), 1536u);

    modres_test::FixedClock clock;
    TResProcessor proc;
    auto strings = std::make_unique<TResString>(&proc);
    strings->AddString(1, u"Hi");
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem("AB", false)->Data->WriteBytes(Bytes{'x', 'y', 'z'});
    proc.AddBlock(std::move(rcdata));
    EXPECT_EQ(proc.ResourceDataSize(), 205u);
    EXPECT_EQ(modres_test::Save(proc), image);

    TResProcessor back;
    back.LoadFromImage("resimage-example.dll", image);
    ASSERT_NE(back.FindStrings(), nullptr);
    ASSERT_EQ(back.FindStrings()->Count(), 1);
    EXPECT_EQ(back.FindStrings()->ItemAt(0)->Id, 1);
    EXPECT_EQ(back.FindStrings()->ItemAt(0)->Text, u"Hi");
    ASSERT_NE(back.FindRCData(), nullptr);
    TResRCDataItem* item = back.FindRCData()->FindItem("AB");
    ASSERT_NE(item, nullptr);
    EXPECT_FALSE(item->IsNumber);
    EXPECT_EQ(item->Data->Bytes(), (Bytes{'x', 'y', 'z'}));
}
