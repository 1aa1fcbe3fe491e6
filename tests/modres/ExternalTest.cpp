// Images checked against tools outside this program: resource-only libraries linked by the
// MinGW-w64 tools (32-bit PE32 and 64-bit PE32+), an independent PE reader, and the tool's view
// of the program image embedded at build time.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

#include "langdata/kcompress/kcompress.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "resources/messages/MessageCatalog.h"
#include "tests/modres/TestImages.h"

using namespace modres;
using namespace modres_test;

namespace {

void CheckMinGWLibrary(const std::string& file, std::uint16_t magic) {
    TempDir dir;
    rtl::TMemoryStream plain;
    plain.LoadFromFile(file);
    rtl::TMemoryStream packed;
    langdata::CompressLZKStream(plain, packed);
    WriteFile(dir.File("packed.dll"), packed.Bytes());

    for (const std::string& name : {file, dir.File("packed.dll")}) {
        SCOPED_TRACE(name);
        TPEReader reader(name);
        EXPECT_EQ(reader.Headers().OptionalMagic, magic);
        auto* types = reader.GetResourceList();
        std::vector<std::string> typeNames;
        for (int i = 0; i < types->Count(); ++i) typeNames.push_back(types->ItemAt(i)->GetName());
        EXPECT_EQ(typeNames, (std::vector<std::string>{"MYTYPE", "String", "RCData"}));

        TResProcessor proc;
        proc.LoadFromFile(name);
        ASSERT_EQ(proc.Blocks.size(), 2u);  // MYTYPE is left out
        auto* strings = proc.FindStrings();
        ASSERT_NE(strings, nullptr);
        ASSERT_EQ(strings->Count(), 3);
        EXPECT_EQ(strings->ItemAt(strings->IndexOfId(1))->Text, u"One");
        EXPECT_EQ(strings->ItemAt(strings->IndexOfId(17))->Text, u"Seventeen");
        EXPECT_EQ(strings->ItemAt(strings->IndexOfId(65300))->Text, u"High");
        auto* rcdata = proc.FindRCData();
        ASSERT_NE(rcdata, nullptr);
        ASSERT_EQ(rcdata->Count(), 3);
        auto* seven = rcdata->FindItem("7");
        ASSERT_NE(seven, nullptr);
        EXPECT_TRUE(seven->IsNumber);
        EXPECT_EQ(seven->Data->Bytes(), (std::vector<std::uint8_t>{'n', 'u', 'm', '7'}));
        ASSERT_NE(rcdata->FindItem("lower"), nullptr);  // the tools store names upper-cased
        auto* settings = rcdata->FindItem(kLibSettingsName);
        ASSERT_NE(settings, nullptr);
        TSettingsRecord record;
        ReadSettingsRecord(*settings->Data, record);
        EXPECT_EQ(record.Magic, "LDLL");
        EXPECT_EQ(record.Version, 53u);
        EXPECT_EQ(record.LanguageId, 10u);
        EXPECT_EQ(record.EnglishName, "Spanish");
        EXPECT_EQ(record.NativeName, u"Espanol");
        EXPECT_EQ(record.Build, 7u);
    }
}

}  // namespace

TEST(MinGWLibraries, ThirtyTwoBit) {
#ifdef VLMRK_RESONLY32
    CheckMinGWLibrary(VLMRK_RESONLY32, 0x10B);
#else
    GTEST_SKIP() << "the MinGW-w64 tools were not found when the build was configured";
#endif
}

TEST(MinGWLibraries, SixtyFourBit) {
#ifdef VLMRK_RESONLY64
    CheckMinGWLibrary(VLMRK_RESONLY64, 0x20B);
#else
    GTEST_SKIP() << "the MinGW-w64 tools were not found when the build was configured";
#endif
}

TEST(IndependentReader, ReadsWhatSaveToStreamWrites) {
#ifdef VLMRK_LLVM_READOBJ
    TResProcessor proc;
    FillProgramLike(proc, u"Greeting");
    TempDir dir;
    WriteFile(dir.File("image.dll"), Save(proc));
    int status = 0;
    std::string out = RunCommand(std::string(VLMRK_LLVM_READOBJ) + " --file-headers --sections --coff-resources " + dir.File("image.dll") + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_EQ(out.find("error"), std::string::npos) << out;
    EXPECT_NE(out.find("IMAGE_FILE_MACHINE_I386"), std::string::npos);
    EXPECT_NE(out.find("Name: .rsrc"), std::string::npos);
    EXPECT_NE(out.find("Type: STRINGTABLE (ID 6)"), std::string::npos);
    EXPECT_NE(out.find("Type: RCDATA (ID 10)"), std::string::npos);
    EXPECT_NE(out.find("Name: QVT_LIBSETTINGS_"), std::string::npos);
    EXPECT_NE(out.find("Name: TFORM1"), std::string::npos);
    EXPECT_NE(out.find("Name: (ID 42)"), std::string::npos);
    EXPECT_NE(out.find("Name: (ID 4096)"), std::string::npos);
    EXPECT_NE(out.find("G.r.e.e.t."), std::string::npos);
#else
    GTEST_SKIP() << "llvm-readobj was not found when the build was configured";
#endif
}

#ifdef VLMRK_TOOL
TEST(ProgramImage, DumpSelfShowsTheDeclaredStringsAndSettings) {
    int status = 0;
    std::string out = RunCommand(std::string(VLMRK_TOOL) + " module dump --self", status);
    ASSERT_EQ(status, 0) << out;
    // Every declared message, in id order, exactly as declared.
    std::vector<const rtl::TResStringRec*> all(messages::AllMessages().begin(), messages::AllMessages().end());
    std::sort(all.begin(), all.end(), [](auto* a, auto* b) { return a->Id < b->Id; });
    std::string expected = "{\"strings\":[";
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (i) expected += ',';
        expected += "{\"id\":" + std::to_string(all[i]->Id) + ",\"text\":\"";
        for (char c : all[i]->Text) {
            if (c == '"' || c == '\\') expected += '\\';
            expected += c;
        }
        expected += "\"}";
    }
    expected += "]";
    EXPECT_EQ(out.substr(0, expected.size()), expected);
    const std::string record = "\"version\":53,\"languageId\":9,\"englishName\":\"English\",\"nativeName\":\"English\","
                               "\"copiedWord\":6,\"build\":0}";
    EXPECT_NE(out.find("\"settings\":{\"QVT_EXESETTINGS_\":{\"magic\":\"KEXE\"," + record + ",\"QVT_LIBSETTINGS_\":{\"magic\":\"LDLL\"," +
                       record + "}}"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("{\"name\":\"QVT_EXESETTINGS_\",\"isNumber\":false,\"size\":44,"), std::string::npos);
}

TEST(ProgramImage, ModuleDumpReadsAResourceSectionUnderAnotherName) {
    FixedClock clock;
    TResProcessor proc;
    FillProgramLike(proc);
    auto image = Save(proc);
    TempDir dir;
    WriteFile(dir.File("plain.dll"), image);
    for (std::size_t i = 0; i < 8; ++i) image[kSectionNameAt + i] = "RESDATA"[i];
    WriteFile(dir.File("renamed.dll"), image);
    int status = 0;
    const std::string plain = RunCommand(std::string(VLMRK_TOOL) + " module dump " + dir.File("plain.dll") + " 2>&1", status);
    ASSERT_EQ(status, 0) << plain;
    const std::string renamed = RunCommand(std::string(VLMRK_TOOL) + " module dump " + dir.File("renamed.dll") + " 2>&1", status);
    EXPECT_EQ(status, 0) << renamed;
    EXPECT_EQ(renamed, plain);
}

TEST(ProgramImage, WriteNativeGivesAModuleTheProcessorReads) {
    TempDir dir;
    int status = 0;
    std::string out = RunCommand(std::string(VLMRK_TOOL) + " module write-native " + dir.File("Vlmrk.ntv") + " 2>&1", status);
    ASSERT_EQ(status, 0) << out;
    TResProcessor proc;
    proc.LoadFromFile(dir.File("Vlmrk.ntv"));
    ASSERT_NE(proc.FindStrings(), nullptr);
    EXPECT_EQ(proc.FindStrings()->Count(), static_cast<int>(messages::AllMessages().size()));
    // The records carry the fingerprint of exactly these strings (and forms).
    TSettingsRecord record;
    ReadSettingsRecord(*proc.FindRCData()->FindItem(kExeSettingsName)->Data, record);
    EXPECT_EQ(record.Reserved, NativeResourcesFingerprint(proc));
}
#endif
