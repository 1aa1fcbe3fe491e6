#include <gtest/gtest.h>

#include <cstring>

#include "langdata/kcompress/kcompress.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "tests/modres/TestImages.h"

using namespace modres;
using namespace modres_test;

namespace {

// The 1024 header bytes of an image whose section content is `s` bytes, written out field by field.
std::vector<std::uint8_t> ExpectedHeaders(std::uint32_t s) {
    std::vector<std::uint8_t> h(1024, 0);
    auto p16 = [&](std::size_t at, std::uint16_t v) { h[at] = v & 0xFF; h[at + 1] = v >> 8; };
    auto p32 = [&](std::size_t at, std::uint32_t v) { for (int i = 0; i < 4; ++i) h[at + i] = (v >> (8 * i)) & 0xFF; };
    const std::uint32_t raw = (s + 511) / 512 * 512;
    h[0] = 'M'; h[1] = 'Z';
    p16(2, 0x50); p16(4, 2); p16(8, 4); p16(10, 0x0F); p16(12, 0xFFFF); p16(16, 0xB8); p16(24, 0x40); p16(26, 0x1A);
    p32(60, 0x100);
    const std::uint8_t code[16] = {0xBA, 0x10, 0x00, 0x0E, 0x1F, 0xB4, 0x09, 0xCD, 0x21, 0xB8, 0x01, 0x4C, 0xCD, 0x21, 0x90, 0x90};
    std::memcpy(&h[64], code, 16);
    std::memcpy(&h[80], "This program must be run under Win32", 36);
    h[116] = 0x0D; h[117] = 0x0A; h[118] = 0x24; h[119] = 0x37;
    h[256] = 'P'; h[257] = 'E';
    p16(260, 0x014C); p16(262, 1); p32(264, kFixedStamp); p16(276, 0xE0); p16(278, 0xA18E);
    p16(280, 0x10B); h[282] = 1;
    p32(308, 0x400000); p32(312, 0x1000); p32(316, 0x200);
    p16(320, 1); p16(324, 1); p16(328, 4);
    p32(336, (s + 1024 + 4095) / 4096 * 4096); p32(340, 1024);
    p16(348, 2); p16(350, 1);
    p32(352, 0x1000); p32(356, 0x100); p32(360, 0x1000); p32(364, 0x100);
    p32(372, 16);
    p32(392, 0x2000); p32(396, raw);
    std::memcpy(&h[504], ".rsrc", 5);
    p32(512, s); p32(516, 0x2000); p32(520, raw); p32(524, 1024); p32(540, 0x40000000);
    return h;
}

void AppendDirectory(std::vector<std::uint8_t>& b, std::uint16_t named, std::uint16_t ids) {
    for (std::uint32_t v : {0u, kFixedStamp, 0u}) for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
    b.push_back(named & 0xFF); b.push_back(named >> 8);
    b.push_back(ids & 0xFF); b.push_back(ids >> 8);
}

void Append32(std::vector<std::uint8_t>& b, std::uint32_t v) { for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF); }
void Append16(std::vector<std::uint8_t>& b, std::uint16_t v) { b.push_back(v & 0xFF); b.push_back(v >> 8); }

}  // namespace

TEST(ResProcessorLayout, EmptyImageIs1536BytesExactly) {
    FixedClock clock;
    TResProcessor proc;
    auto image = Save(proc);
    auto expected = ExpectedHeaders(16);
    AppendDirectory(expected, 0, 0);
    expected.resize(1536, 0);
    ASSERT_EQ(image.size(), 1536u);
    EXPECT_EQ(image, expected);
}

TEST(ResProcessorLayout, OneStringMatchesTheHandComputedImage) {
    FixedClock clock;
    TResProcessor proc;
    auto strings = std::make_unique<TResString>(&proc);
    strings->AddString(5, u"Hi");
    proc.AddBlock(std::move(strings));
    // Section: root 16 + 8, type directory 16 + 8, language directory 24, data entry 16, data 36.
    EXPECT_EQ(proc.ResourceDataSize(), 124u);
    auto image = Save(proc);
    auto expected = ExpectedHeaders(124);
    AppendDirectory(expected, 0, 1);
    Append32(expected, 6); Append32(expected, 0x80000000u | 24);
    AppendDirectory(expected, 0, 1);
    Append32(expected, 1); Append32(expected, 0x80000000u | 48);
    AppendDirectory(expected, 0, 1);
    Append32(expected, 0); Append32(expected, 72);
    Append32(expected, 0x2000 + 88); Append32(expected, 36); Append32(expected, 0); Append32(expected, 0);
    for (int k = 0; k < 16; ++k) {
        if (k == 5) { Append16(expected, 2); Append16(expected, 'H'); Append16(expected, 'i'); }
        else Append16(expected, 0);
    }
    ASSERT_EQ(expected.size(), 1024u + 124u);
    expected.resize(1536, 0);
    EXPECT_EQ(image, expected);
}

TEST(ResProcessorLayout, RCDataMatchesTheHandComputedImage) {
    FixedClock clock;
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem("B", false)->Data->WriteBytes(std::vector<std::uint8_t>{1, 2, 3});
    rcdata->AddItem("7", true)->Data->WriteBytes(std::vector<std::uint8_t>{4});
    proc.AddBlock(std::move(rcdata));
    // n = 2: directory 16 + 96, name "B" 4 bytes, data 3 + 1.
    EXPECT_EQ(proc.ResourceDataSize(), 16u + 8 + 112 + 4 + 4);
    auto image = Save(proc);
    auto expected = ExpectedHeaders(144);
    AppendDirectory(expected, 0, 1);
    Append32(expected, 10); Append32(expected, 0x80000000u | 24);
    const std::uint32_t o = 24;
    AppendDirectory(expected, 1, 1);
    Append32(expected, 0x80000000u | (o + 112)); Append32(expected, 0x80000000u | (o + 32));
    Append32(expected, 7); Append32(expected, 0x80000000u | (o + 56));
    for (std::uint32_t i = 0; i < 2; ++i) {
        AppendDirectory(expected, 0, 1);
        Append32(expected, 0); Append32(expected, o + 80 + 16 * i);
    }
    Append32(expected, 0x2000 + o + 116); Append32(expected, 3); Append32(expected, 0); Append32(expected, 0);
    Append32(expected, 0x2000 + o + 119); Append32(expected, 1); Append32(expected, 0); Append32(expected, 0);
    Append16(expected, 1); Append16(expected, 'B');
    for (std::uint8_t b : {1, 2, 3, 4}) expected.push_back(b);
    ASSERT_EQ(expected.size(), 1024u + 144u);
    expected.resize(1536, 0);
    EXPECT_EQ(image, expected);
}

TEST(ResProcessorLayout, DirectoryEntriesAreNamedSortedThenIdsAscending) {
    TResProcessor proc;
    // RCDATA before strings, names out of order: the directory is sorted, the items are not.
    auto rcdata = std::make_unique<TResRCData>(&proc);
    for (const char* name : {"zeta", "7", "Alpha", "3"}) {
        bool number = name[0] >= '0' && name[0] <= '9';
        rcdata->AddItem(name, number)->Data->WriteBytes(std::vector<std::uint8_t>(name, name + std::strlen(name)));
    }
    proc.AddBlock(std::move(rcdata));
    auto strings = std::make_unique<TResString>(&proc);
    strings->AddString(100, u"a");
    strings->AddString(3, u"b");
    proc.AddBlock(std::move(strings));
    auto image = Save(proc);

    TPEReader reader("sorted", image);
    auto* types = reader.GetResourceList();
    ASSERT_EQ(types->Count(), 2);
    EXPECT_EQ(types->ItemAt(0)->GetName(), "String");
    EXPECT_EQ(types->ItemAt(1)->GetName(), "RCData");
    auto* names = types->ItemAt(1)->GetList();
    std::vector<std::string> order;
    for (int i = 0; i < names->Count(); ++i) {
        auto* item = names->ItemAt(i);
        order.push_back(item->GetName());
        auto data = item->DataBytes();
        EXPECT_EQ(std::string(data.begin(), data.end()), item->GetName());  // each entry keeps its own data
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Alpha", "zeta", "3", "7"}));
    // The processor's own order is unchanged.
    EXPECT_EQ(proc.FindRCData()->ItemAt(0)->Name, "zeta");
}

TEST(ResProcessorLayout, SizesAndDataAddressesAgree) {
    TResProcessor proc;
    FillProgramLike(proc);
    auto image = Save(proc);
    const std::uint64_t s = proc.ResourceDataSize();
    std::uint64_t blocks = 0;
    for (const auto& b : proc.Blocks) blocks += b->DataSize();
    EXPECT_EQ(s, 16 + 8 * proc.Blocks.size() + blocks);
    EXPECT_EQ(image.size(), 1024 + AlignUp(s, 512));
    EXPECT_EQ(U32At(image, 512), s);  // VirtualSize
    winres::TPEHeaders headers;
    ASSERT_EQ(winres::ParsePEHeaders(image, headers), winres::TPEStatus::Ok);
    std::vector<winres::TResourceEntry> entries;
    std::string error;
    ASSERT_TRUE(winres::ReadResourceIndex(image, headers, entries, error)) << error;
    EXPECT_EQ(entries.size(), 4u + 4u);  // string blocks 1, 2, 4074, 4096; four RCDATA items
    for (const auto& e : entries) {
        EXPECT_GE(e.Offset, 1024u);
        EXPECT_LE(e.Offset + e.Size, 1024 + s);
    }
}

TEST(ResString, AddStringKeepsOrderGroupsAndFirstText) {
    TResString strings(nullptr);
    EXPECT_EQ(strings.AddString(16, u"b"), 0);
    EXPECT_EQ(strings.AddString(15, u"a"), 0);
    EXPECT_EQ(strings.AddString(16, u"other"), -1);  // first text wins
    EXPECT_EQ(strings.ItemAt(strings.IndexOfId(16))->Text, u"b");
    EXPECT_EQ(strings.AddString(-1, u"x"), -1);
    EXPECT_EQ(strings.AddString(65536, u"x"), -1);
    ASSERT_EQ(strings.Groups.size(), 2u);  // ids 15 and 16 fall into blocks 1 and 2
    EXPECT_EQ(strings.Groups[0]->Id, 1);
    EXPECT_EQ(strings.Groups[0]->Slots[15], 15);
    EXPECT_EQ(strings.Groups[1]->Id, 2);
    EXPECT_EQ(strings.Groups[1]->Slots[0], 16);
    EXPECT_EQ(strings.Groups[1]->Slots[1], -1);
    EXPECT_EQ(strings.IndexOfId(17), -1);
    EXPECT_EQ(strings.ItemAt(2), nullptr);
    EXPECT_EQ(strings.ItemAt(-1), nullptr);
    // Each group: 16 records of 2 bytes plus the text of its one string.
    EXPECT_EQ(strings.DataSize(), 16u + 48 * 2 + (32 + 2) + (32 + 2));
}

TEST(ResString, ReadBlockStopsAtTheEndOfTheData) {
    TResString strings(nullptr);
    // Position 0 "A", position 1 empty, position 2 claims 5 units but only 1 follows.
    std::vector<std::uint8_t> block = {1, 0, 'A', 0, 0, 0, 5, 0, 'B', 0};
    strings.ReadBlock(3, block);
    ASSERT_EQ(strings.Count(), 1);
    EXPECT_EQ(strings.ItemAt(0)->Id, 32);
    EXPECT_EQ(strings.ItemAt(0)->Text, u"A");
}

TEST(ResRCData, FindRemoveDelete) {
    TResRCData rcdata(nullptr);
    rcdata.AddItem("TFORM1", false);
    rcdata.AddItem("QVT_LOC_LANGS_", false);
    EXPECT_EQ(rcdata.FindItem("tform1"), rcdata.ItemAt(0));
    EXPECT_EQ(rcdata.IndexOfItem("qvt_loc_langs_"), 1);
    rcdata.RemoveItem("missing");
    EXPECT_EQ(rcdata.Count(), 2);
    rcdata.RemoveItem("TForm1");
    EXPECT_EQ(rcdata.Count(), 1);
    EXPECT_EQ(rcdata.ItemAt(1), nullptr);
    EXPECT_THROW(rcdata.DeleteItem(5), rtl::EListError);
    // LoadData copies the whole source from its start, replacing what was there.
    rtl::TMemoryStream src(std::vector<std::uint8_t>{1, 2, 3});
    src.SetPosition(2);
    auto* item = rcdata.ItemAt(0);
    item->Data->WriteBytes(std::vector<std::uint8_t>{9, 9, 9, 9});
    item->LoadData(src);
    EXPECT_EQ(item->Data->Bytes(), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(ResRCData, BadNumericNameIsRefusedWhenWritten) {
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem("70000", true);
    proc.AddBlock(std::move(rcdata));
    rtl::TMemoryStream out;
    EXPECT_THROW(proc.SaveToStream(out), EExeError);
}

TEST(ResProcessorRoundTrip, LoadFromFileGivesBackStringsAndItems) {
    TResProcessor proc;
    FillProgramLike(proc);
    auto image = Save(proc);
    TempDir dir;
    WriteFile(dir.File("plain"), image);
    // The same image LZK-compressed reads exactly like the plain one.
    rtl::TMemoryStream src(image), packed;
    langdata::CompressLZKStream(src, packed);
    WriteFile(dir.File("packed"), packed.Bytes());

    for (const char* name : {"plain", "packed"}) {
        SCOPED_TRACE(name);
        TResProcessor back;
        back.LoadFromFile(dir.File(name));
        ASSERT_EQ(back.Blocks.size(), 2u);
        auto* s1 = proc.FindStrings();
        auto* s2 = back.FindStrings();
        ASSERT_NE(s2, nullptr);
        ASSERT_EQ(s2->Count(), s1->Count());
        for (int i = 0; i < s1->Count(); ++i) {
            EXPECT_EQ(s2->ItemAt(i)->Id, s1->ItemAt(i)->Id);
            EXPECT_EQ(s2->ItemAt(i)->Text, s1->ItemAt(i)->Text);
        }
        auto* r1 = proc.FindRCData();
        auto* r2 = back.FindRCData();
        ASSERT_NE(r2, nullptr);
        ASSERT_EQ(r2->Count(), r1->Count());
        for (int i = 0; i < r1->Count(); ++i) {
            // Read back in directory order: find each by name.
            auto* other = r2->FindItem(r1->ItemAt(i)->Name);
            ASSERT_NE(other, nullptr) << r1->ItemAt(i)->Name;
            EXPECT_EQ(other->IsNumber, r1->ItemAt(i)->IsNumber);
            EXPECT_EQ(other->Data->Bytes(), r1->ItemAt(i)->Data->Bytes());
        }
        // Writing what was read gives the same image again.
        FixedClock clock;
        TResProcessor a, b;
        a.LoadFromFile(dir.File(name));
        auto first = Save(a);
        b.LoadFromImage("again", first);
        EXPECT_EQ(Save(b), first);
    }
}

TEST(ResProcessorRoundTrip, LoadFromFileFailuresKeepOrEmptyTheProcessor) {
    TResProcessor proc;
    FillProgramLike(proc);
    EXPECT_THROW(proc.LoadFromFile("/nonexistent/file"), EExeError);
    EXPECT_EQ(proc.Blocks.size(), 2u);
    // A valid image without a resource section empties the processor, then fails.
    TResProcessor empty;
    auto image = Save(empty);
    RemoveResources(image, ".text");
    EXPECT_THROW(proc.LoadFromImage("nores", image), EExeError);
    EXPECT_TRUE(proc.Blocks.empty());
}

TEST(ResProcessorRoundTrip, ModuleWithoutStringsYieldsOnlyRCData) {
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem("X", false);
    proc.AddBlock(std::move(rcdata));
    auto image = Save(proc);
    EXPECT_EQ(U16At(image, 1024 + 14), 1);   // one root entry
    EXPECT_EQ(U32At(image, 1024 + 16), 10u);  // type 10
    ASSERT_TRUE(winres::SetAppImage(image));
    TResProcessor loaded;
    loaded.LoadFromModule(0);
    winres::ResetAppImage();
    ASSERT_EQ(loaded.Blocks.size(), 1u);
    EXPECT_EQ(loaded.Blocks[0]->ResType(), 10);
}

// A module build leaves the language pack and the program's record out of what it loads; the
// names match without regard to case, as the resources' own lookups do, and ids are never left out.
TEST(ResProcessorRoundTrip, LoadFromModuleLeavesOutNamedRCData) {
    TResProcessor proc;
    auto rcdata = std::make_unique<TResRCData>(&proc);
    rcdata->AddItem("TFORM1", false)->Data->WriteU8(1);
    rcdata->AddItem("qvt_loc_langs_", false)->Data->WriteU8(2);
    rcdata->AddItem("QVT_EXESETTINGS_", false)->Data->WriteU8(3);
    rcdata->AddItem("7", true)->Data->WriteU8(4);
    proc.AddBlock(std::move(rcdata));
    ASSERT_TRUE(winres::SetAppImage(Save(proc)));
    TResProcessor loaded;
    loaded.LoadFromModule(0, {kLangPackName, kExeSettingsName, "7"});
    TResProcessor whole;
    whole.LoadFromModule(0);
    winres::ResetAppImage();
    ASSERT_NE(loaded.FindRCData(), nullptr);
    EXPECT_EQ(loaded.FindRCData()->Count(), 2);
    EXPECT_NE(loaded.FindRCData()->FindItem("TFORM1"), nullptr);
    EXPECT_NE(loaded.FindRCData()->FindItem("7"), nullptr);
    EXPECT_EQ(whole.FindRCData()->Count(), 4);
    EXPECT_EQ(loaded.LoadedFrom, winres::AppInstance());
}

TEST(ResourceTimeStamp, CountsFromTheShiftedEpochAndHonoursSourceDateEpoch) {
    {
        FixedClock clock;
        EXPECT_EQ(ResourceTimeStamp(), kFixedStamp);
    }
    ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
    EXPECT_EQ(ResourceTimeStamp(), 1700000000u + 28800u);
    ::unsetenv("SOURCE_DATE_EPOCH");
}
