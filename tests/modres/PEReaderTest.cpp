#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "langdata/kcompress/kcompress.h"
#include "modres/PEReader.h"
#include "modres/WinResProc.h"
#include "tests/modres/TestImages.h"
#include "tests/support/ErrorCode.h"
#include "tests/winres/MinimalImage.h"

using namespace modres;
using namespace modres_test;
using testutil::ErrorCodeOf;

namespace {

std::string Message(const std::function<void()>& f) {
    try {
        f();
    } catch (const EExeError& e) {
        return e.Message();
    }
    return "(no EExeError)";
}

// Walks every list and item of the tree, touching names and data, as a caller would.
std::size_t WalkAll(TPEResourceList* list) {
    std::size_t seen = 0;
    for (int i = 0; i < list->Count(); ++i) {
        auto* item = list->ItemAt(i);
        ++seen;
        item->GetName();
        if (item->IsList()) {
            EXPECT_EQ(item->DataSize(), 0u);
            seen += WalkAll(item->GetList());
        } else {
            auto data = item->DataBytes();
            volatile std::uint8_t sum = 0;
            for (auto b : data) sum = static_cast<std::uint8_t>(sum + b);
        }
    }
    return seen;
}

std::vector<std::uint8_t> SmallImage() {
    TResProcessor proc;
    FillProgramLike(proc);
    return Save(proc);
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

}  // namespace

TEST(PEReader, OpeningRefusesWhatIsNoModule) {
    TempDir dir;
    EXPECT_EQ(Message([&] { TPEReader r(dir.File("missing")); }), "Couldn't open file: " + dir.File("missing"));
    EXPECT_EQ(Message([] { TPEReader r("x", {}); }), "MapViewOfFile failed");
    EXPECT_EQ(Message([] { TPEReader r("x", {'Z', 'M', 0, 0}); }), "Unrecognized file format");
    auto image = SmallImage();
    image[256] = 'X';
    EXPECT_EQ(Message([&] { TPEReader r("x", image); }), "Not a PE (WIN32 Executable) file");
    image = SmallImage();
    Put32(image, 60, 0xFFFFFFF0u);  // e_lfanew past the end
    EXPECT_EQ(Message([&] { TPEReader r("x", image); }), "Not a PE (WIN32 Executable) file");
    // A damaged LZK stream is an unreadable file.
    WriteFile(dir.File("bad.lzk"), {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0, 0xFF});
    EXPECT_NE(Message([&] { TPEReader r(dir.File("bad.lzk")); }), "(no EExeError)");
}

TEST(PEReader, EachRefusalOfTheHeadersHasItsCode) {
    TempDir dir;
    // A file that cannot be opened is no refusal of its bytes.
    EXPECT_EQ(ErrorCodeOf([&] { TPEReader r(dir.File("missing")); }), "(no code)");
    EXPECT_EQ(ErrorCodeOf([] { TPEReader r("x", {}); }), "pe.file.empty");
    EXPECT_EQ(ErrorCodeOf([] { TPEReader r("x", {'Z', 'M', 0, 0}); }), "pe.header.mz");
    auto image = SmallImage();
    image[256] = 'X';
    EXPECT_EQ(ErrorCodeOf([&] { TPEReader r("x", image); }), "pe.header.pe");
    image = SmallImage();
    Put32(image, 60, 0xFFFFFFF0u);  // e_lfanew past the end
    EXPECT_EQ(ErrorCodeOf([&] { TPEReader r("x", image); }), "pe.header.pe");
    image = SmallImage();
    image[256 + 6] = image[256 + 7] = 0xFF;  // 65535 section headers
    EXPECT_EQ(ErrorCodeOf([&] { TPEReader r("x", image); }), "pe.header.sections");
    // The file's own checks travel with the message that names the file.
    WriteFile(dir.File("big.dll"), {'M', 'Z'});
    std::filesystem::resize_file(dir.File("big.dll"), std::uintmax_t{65} << 20);  // sparse: no 65 MiB written
    EXPECT_EQ(ErrorCodeOf([&] { TPEReader r(dir.File("big.dll")); }), "pe.file.large");
    EXPECT_EQ(Message([&] { TPEReader r(dir.File("big.dll")); }), "Couldn't open file: " + dir.File("big.dll"));
}

TEST(PEReader, NamesSectionsAndLists) {
    auto image = SmallImage();
    // Upper-case section name: still the resource section.
    std::memcpy(&image[504], ".RSRC", 5);
    TPEReader reader("x", image);
    winres::TSectionHeader section;
    EXPECT_TRUE(reader.FindSection(".rsrc", section));
    EXPECT_EQ(section.PointerToRawData, 1024u);
    EXPECT_FALSE(reader.FindSection(".rsr", section));
    EXPECT_FALSE(reader.FindSection(".text", section));
    auto* types = reader.GetResourceList();
    EXPECT_EQ(reader.GetResourceList(), types);
    ASSERT_EQ(types->Count(), 2);
    auto* strings = types->ItemAt(0);
    EXPECT_EQ(strings->GetName(), "String");
    EXPECT_TRUE(strings->IsList());
    EXPECT_TRUE(strings->IsNumber());
    EXPECT_EQ(strings->DataSize(), 0u);
    EXPECT_EQ(strings->Data(), nullptr);
    auto* block = strings->GetList()->ItemAt(0);
    EXPECT_EQ(block->GetName(), "1");
    EXPECT_FALSE(block->IsList());
    EXPECT_EQ(Message([&] { block->GetList(); }), "ResourceItem is not a list");
    EXPECT_EQ(block->DataSize(), 2u * 15 + 2 + 2 * 7);  // id 15 "fifteen" in the last slot
    EXPECT_THROW(types->ItemAt(2), rtl::EListError);
    auto* rcdata = types->ItemAt(1);
    EXPECT_EQ(rcdata->GetName(), "RCData");
    EXPECT_EQ(rcdata->GetList()->ItemAt(0)->GetName(), "QVT_EXESETTINGS_");
    EXPECT_FALSE(rcdata->GetList()->ItemAt(0)->IsNumber());
    EXPECT_EQ(ResourceTypeName(24), nullptr);
    EXPECT_STREQ(ResourceTypeName(16), "Version");
}

TEST(PEReader, LibraryWithoutResourcesOpensAndFailsOnlyOnTheList) {
    TResProcessor proc;
    auto image = Save(proc);
    RemoveResources(image);
    TPEReader reader("x", image);
    EXPECT_EQ(Message([&] { reader.GetResourceList(); }), "No resources in this file.");
}

TEST(PEReader, TypeIdsAboveSixteenAndNamedTypes) {
    auto image = SmallImage();
    // Renumber the string type (root entry 0) to 24.
    Put32(image, 1024 + 16, 24);
    TPEReader reader("x", image);
    EXPECT_EQ(reader.GetResourceList()->ItemAt(0)->GetName(), "24");
}

// ---- Hostile images ---------------------------------------------------------------------------

TEST(PEReaderHostile, EveryTruncationFailsCleanly) {
    auto image = SmallImage();
    for (std::size_t len = 0; len < image.size(); len += (len < 1200 ? 1 : 7)) {
        std::vector<std::uint8_t> cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(len));
        try {
            TPEReader reader("cut", cut);
            WalkAll(reader.GetResourceList());
        } catch (const EExeError&) {
        } catch (const rtl::EListError&) {
        }
        winres::TPEHeaders headers;
        std::vector<winres::TResourceEntry> entries;
        std::string error;
        if (winres::ParsePEHeaders(cut, headers) == winres::TPEStatus::Ok) winres::ReadResourceIndex(cut, headers, entries, error);
    }
}

TEST(PEReaderHostile, OffsetsOutsideAndLoopsAreRefused) {
    const std::size_t root = 1024;
    {
        auto image = SmallImage();
        Put32(image, root + 20, 0x80000000u | 0x7FFFFF00u);  // type directory far outside
        TPEReader reader("x", image);
        EXPECT_EQ(ErrorCodeOf([&] { WalkAll(reader.GetResourceList()); }), "pe.dir.outside");
    }
    {
        auto image = SmallImage();
        Put32(image, root + 20, 0x80000000u);  // the string type points back at the root
        TPEReader reader("x", image);
        EXPECT_EQ(ErrorCodeOf([&] { WalkAll(reader.GetResourceList()); }), "pe.dir.loop");
    }
    {
        auto image = SmallImage();
        Put32(image, root + 12, 0xFFFFFFFFu);  // 131070 entries claimed
        TPEReader reader("x", image);
        EXPECT_EQ(ErrorCodeOf([&] { reader.GetResourceList()->Count(); }), "pe.dir.entries");
        winres::TPEHeaders headers;
        ASSERT_EQ(winres::ParsePEHeaders(image, headers), winres::TPEStatus::Ok);
        std::vector<winres::TResourceEntry> entries;
        std::string error;
        EXPECT_FALSE(winres::ReadResourceIndex(image, headers, entries, error));
    }
    {
        // A data entry whose address lies past the end of the file.
        auto image = SmallImage();
        winres::TPEHeaders headers;
        ASSERT_EQ(winres::ParsePEHeaders(image, headers), winres::TPEStatus::Ok);
        std::vector<winres::TResourceEntry> entries;
        std::string error;
        ASSERT_TRUE(winres::ReadResourceIndex(image, headers, entries, error));
        // Find the first data entry: it holds 0x2000 + (entries[0].Offset - 1024).
        std::uint32_t rva = 0x2000 + entries[0].Offset - 1024;
        for (std::size_t at = root; at + 4 <= image.size(); at += 4) {
            if (U32At(image, at) == rva) {
                Put32(image, at + 4, 0x10000000u);  // size far past the end
                break;
            }
        }
        TPEReader reader("x", image);
        EXPECT_EQ(ErrorCodeOf([&] { WalkAll(reader.GetResourceList()); }), "pe.data.outside");
        ASSERT_EQ(winres::ParsePEHeaders(image, headers), winres::TPEStatus::Ok);
        EXPECT_FALSE(winres::ReadResourceIndex(image, headers, entries, error));
    }
}

TEST(PEReaderHostile, RandomDamageNeverReadsOutside) {
    const auto image = SmallImage();
    std::mt19937 rng(1234);
    for (int round = 0; round < 3000; ++round) {
        auto bad = image;
        int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i) {
            // Mostly hit the headers and the directories, where offsets live.
            std::size_t at = (rng() % 4 == 0) ? rng() % bad.size() : (rng() % 2 ? 240 + rng() % 320 : 1024 + rng() % 400);
            bad[at] = static_cast<std::uint8_t>(rng());
        }
        try {
            TPEReader reader("fuzz", bad);
            WalkAll(reader.GetResourceList());
        } catch (const EExeError&) {
        }
        try {
            TResProcessor proc;
            proc.LoadFromImage("fuzz", bad);
            Save(proc);
        } catch (const rtl::Exception&) {
        }
    }
}

// ---- Where the resources are, and damaged trees with named offsets ------------------------------

TEST(PEReader, AResourceSectionUnderAnotherNameIsReadThroughTheDataDirectory) {
    FixedClock clock;
    const auto plain = SmallImage();
    auto renamed = plain;
    for (std::size_t i = 0; i < 8; ++i) renamed[kSectionNameAt + i] = ".data\0\0\0"[i];
    TPEReader reader("renamed", renamed);
    winres::TSectionHeader section;
    EXPECT_FALSE(reader.FindSection(".rsrc", section));
    auto* types = reader.GetResourceList();
    EXPECT_EQ(reader.ResourceBase(), 1024u);
    EXPECT_EQ(reader.ResourceRVA(), kResourceSectionRVA);
    ASSERT_EQ(types->Count(), 2);
    EXPECT_EQ(types->ItemAt(0)->GetName(), "String");
    // What a module dump reads is the same as under the usual name.
    TResProcessor a, b;
    a.LoadFromImage("plain", plain);
    b.LoadFromImage("renamed", renamed);
    EXPECT_EQ(Save(a), Save(b));

    // A hand-made image whose only section is ".text".
    const auto tree = minimal_image::StandardTree();
    TPEReader small("small", tree.Image(".text"));
    auto* smallTypes = small.GetResourceList();
    ASSERT_EQ(smallTypes->Count(), 2);
    EXPECT_EQ(smallTypes->ItemAt(1)->GetList()->ItemAt(0)->GetName(), "FORM");
    EXPECT_EQ(smallTypes->ItemAt(1)->GetList()->ItemAt(0)->DataSize(), 3u);
    TResProcessor proc;
    proc.LoadFromImage("small", tree.Image(".text"));
    ASSERT_NE(proc.FindStrings(), nullptr);
    EXPECT_EQ(proc.FindStrings()->ItemAt(proc.FindStrings()->IndexOfId(0))->Text, u"Hi");
}

TEST(PEReaderHostile, RefusesWhatTheLoaderRefusesAndSaysWhy) {
    for (const auto& hostile : minimal_image::HostileTrees()) {
        SCOPED_TRACE(hostile.What);
        TPEReader reader("bad.dll", hostile.Tree.Image());
        EXPECT_EQ(Message([&] { WalkAll(reader.GetResourceList()); }),
                  std::string("The resource directory of bad.dll is damaged: ") + winres::DirFaultText(hostile.Fault));
        EXPECT_EQ(ErrorCodeOf([&] { WalkAll(reader.GetResourceList()); }), winres::DirFaultCode(hostile.Fault));
    }
}

TEST(PEReaderHostile, LoopsBelowTheTypesAndNestingTooDeepAreRefused) {
    using namespace minimal_image;
    const TTree tree = StandardTree();
    // A language that leads back to the table of names it belongs to.
    const TTree loop = tree.With(tree.StringLanguages + 20, kTable | tree.StringNames);
    TPEReader reader("loop", loop.Image());
    EXPECT_EQ(Message([&] { WalkAll(reader.GetResourceList()); }),
              "The resource directory of loop is damaged: the directory tree loops back on itself");
    EXPECT_EQ(ErrorCodeOf([&] { WalkAll(reader.GetResourceList()); }), "pe.dir.loop");
    // The names are still read: the resource processor only looks two levels down.
    TResProcessor proc;
    EXPECT_NO_THROW(proc.LoadFromImage("loop", loop.Image()));

    // Twenty tables, each leading to the next.
    TSectionWriter w;
    for (std::uint32_t i = 0; i < 20; ++i) {
        w.Table(0, 1);
        w.Entry(1, kTable | (w.Here() + 8));
    }
    w.Table(0, 0);
    TPEReader deep("deep", BuildImage(w.Bytes));
    EXPECT_EQ(Message([&] { WalkAll(deep.GetResourceList()); }), "The resource directory of deep is damaged: the directory tree is too deep");
    EXPECT_EQ(ErrorCodeOf([&] { WalkAll(deep.GetResourceList()); }), "pe.dir.deep");
}

TEST(PEReaderHostile, ModulesTheLoaderAcceptsAreReadByTheProcessor) {
    // With the section renamed only the data directory leads to the tree, as for the loader.
    auto image = SmallImage();
    for (std::size_t i = 0; i < 8; ++i) image[kSectionNameAt + i] = ".data\0\0\0"[i];
    std::mt19937 rng(99);
    int accepted = 0;
    for (int round = 0; round < 4000; ++round) {
        auto bad = image;
        std::size_t at = 0;
        for (int flips = 1 + static_cast<int>(rng() % 3); flips > 0; --flips) {
            at = 1024 + rng() % 400;  // the directories and names
            bad[at] = static_cast<std::uint8_t>(rng());
        }
        winres::TPEHeaders headers;
        std::vector<winres::TResourceEntry> entries;
        if (winres::ParsePEHeaders(bad, headers) != winres::TPEStatus::Ok ||
            winres::IndexResources(bad, headers, entries) != winres::TDirFault::None)
            continue;
        ++accepted;
        TResProcessor proc;
        try {
            proc.LoadFromImage("accepted", bad);
        } catch (const rtl::Exception& e) {
            ADD_FAILURE() << "byte " << at << " = " << int(bad[at]) << ": " << e.Message();
        }
    }
    EXPECT_GT(accepted, 100);
}

TEST(PEReader, AnIdIsSixteenBitsAsTheLoaderReadsIt) {
    using namespace minimal_image;
    const TTree tree = StandardTree();
    // Junk above the 16-bit ids of a string block and of a now numeric RCDATA entry.
    const auto image = tree.With(tree.StringNameEntry, 0x7A000001u).With(tree.RCDataNameEntry, 0x79000007u).Image();
    TPEReader reader("ids", image);
    auto* types = reader.GetResourceList();
    EXPECT_EQ(types->ItemAt(0)->GetList()->ItemAt(0)->GetName(), "1");
    EXPECT_EQ(types->ItemAt(1)->GetList()->ItemAt(0)->GetName(), "7");
    ASSERT_TRUE(winres::SetAppImage(image));
    EXPECT_EQ(winres::ResourceBytes(winres::AppInstance(), 7, winres::RT_RCDATA).size(), 3u);
    winres::ResetAppImage();
    // The module builder reads and writes it again.
    TResProcessor proc;
    proc.LoadFromImage("ids", image);
    ASSERT_NE(proc.FindRCData()->FindItem("7"), nullptr);
    EXPECT_EQ(proc.FindStrings()->ItemAt(proc.FindStrings()->IndexOfId(0))->Text, u"Hi");
    EXPECT_NO_THROW(Save(proc));
}
