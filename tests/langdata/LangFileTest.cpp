#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>

#include "LangTestUtil.h"
#include "langdata/LangFileWriter.h"
#include "langdata/LocLangFile.h"
#include "langdata/kcompress/kcompress.h"
#include "locstore/LocStorage.h"
#include "platform/rtl/FileUtils.h"
#include "tests/support/ErrorCode.h"

using namespace langdata;
using namespace locstore;
using langtest::ExpectConsistent;
using langtest::ExpectSameItems;

namespace {

std::vector<std::uint8_t> Compress(const std::vector<std::uint8_t>& plain) {
    rtl::TMemoryStream in(plain), out;
    CompressLZKStream(in, out);
    return out.TakeBytes();
}

// Loads bytes as the structure of a new store.
std::unique_ptr<TLocStorage> LoadStructure(const std::vector<std::uint8_t>& bytes, TLangFile& file) {
    auto store = std::make_unique<TLocStorage>();
    rtl::TMemoryStream in(bytes);
    file.LoadFromStream(in, store.get(), 0, -1);
    return store;
}

// A Spanish translation of the sample: one record the structure lacks before the known ones,
// a caption record of another kind, an untranslated entry, and revisions below and equal to the
// base revisions with the outdated-use flag.
constexpr const char* kSpanish = R"(header
  version 53
  build 3
  language 10
  based-on 9
  english-name "Spanish"
  native-name "español"
  native no
  options 0x0100
  max-constant-id 20
  max-property-id 10
  max-external-id 3
end
unit AAAUnknown
  constant SGone id 99 resource 1 revision 1 = "not in the structure"
end
unit PrjConst
  constant SReady id 3 resource 65239 revision 4 flags 0x0100 = "Listo"
  constant STwoLines id 5 resource 65240 revision 1 flags 0x0100 = "Primera\r\nsegunda"
end
form Form1
  property AAACaption id 1 kind integer revision 4 = "17"
  property Caption id 77 kind string revision 1 = "unknown id"
  property Ratio id 3 kind float revision 1 = "3.25"
  property Width id 2 kind integer revision 0 = "800"
  component mmo1
    property Lines.Strings id 4 kind strings revision -1 = "uno\r\ndos\r\n"
  end
end
group Extras
  entry Greeting id 2 revision 7 = "Hola"
end
)";

}  // namespace

// Every format version, plain and compressed: the file reads back to what the source says.
TEST(LangFileRead, StructureLoadMatchesSourceInEveryFormat) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    for (int fv = 1; fv <= 7; ++fv) {
        std::string sourceView[2];
        for (bool lzk : {false, true}) {
            SCOPED_TRACE("format " + std::to_string(fv) + (lzk ? " lzk" : " plain"));
            TLangFile file;
            auto got = LoadStructure(MakeLanguageFile(h, src, 0, fv, lzk), file);
            ExpectSameItems(src, *got, fv, 0, true, h.Version);
            ExpectConsistent(*got);
            EXPECT_EQ(file.Compressed(), lzk);
            EXPECT_EQ(file.FormatVersion(), fv);
            EXPECT_EQ(file.LanguageId(), 9u);
            EXPECT_EQ(got->LanguageAt(0), 9);
            EXPECT_EQ(file.Build(), fv >= 5 ? 7u : 0u);
            EXPECT_EQ(file.Options(), fv >= 2 ? 2 : 0);
            EXPECT_TRUE(file.IsNative());
            // Unnumbered items get ids above the header's maxima, in order.
            EXPECT_EQ(file.MaxConstantId(), 21u);
            EXPECT_EQ(got->Units().ItemAt(0)->Constants().Find("SUnnumbered")->Id(), 21);
            EXPECT_EQ(file.MaxPropertyId(), 11u);
            EXPECT_EQ(got->Forms().ItemAt(0)->FindComponent("lbl 2")->Properties().Find("Hint")->Id(), 11);
            EXPECT_EQ(file.MaxExternalId(), fv >= 7 ? 4u : 0u);
            sourceView[lzk] = WriteLangSource(file.Header(), *got, 0);
        }
        EXPECT_EQ(sourceView[0], sourceView[1]) << "format " << fv;
    }
}

TEST(LangFileRead, MatchingLoadAppliesRevisionAndFlagRules) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    TLocStorage es;
    TLangFileHeader hes = ParseLangSource(kSpanish, "es", es);
    for (int fv = 1; fv <= 7; ++fv)
        for (bool lzk : {false, true}) {
            SCOPED_TRACE("format " + std::to_string(fv) + (lzk ? " lzk" : " plain"));
            TLangFile native;
            auto store = LoadStructure(MakeLanguageFile(h, src, 0, fv, lzk), native);
            int slot = store->AddLanguage(0, 10);
            TLangFile tr;
            rtl::TMemoryStream in(MakeLanguageFile(hes, es, 0, fv, lzk));
            tr.LoadFromStream(in, store.get(), 0, slot);
            ExpectConsistent(*store);
            EXPECT_EQ(store->Units().Count(), 2);  // the unknown unit is not added

            const TLocUnit* prj = store->Units().ItemAt(0);
            const TLocValue* ready = prj->Constants().Find("SReady")->Values().Value(slot);
            EXPECT_EQ(ready->Text(), u"Listo");
            EXPECT_EQ(ready->Revision(), 4);
            EXPECT_EQ(ready->LanguageId(), 10);
            // Equal revision keeps the flag; an older one loses it.
            EXPECT_EQ(ready->Flags(), fv >= 2 ? lvfUseOutdated : 0);
            const TLocValue* two = prj->Constants().Find("STwoLines")->Values().Value(slot);
            EXPECT_EQ(two->Text(), u"Primera\r\nsegunda");
            EXPECT_EQ(two->Revision(), 1);
            EXPECT_EQ(two->Flags(), 0);
            // Not in the translation: the copy AddLanguage made, untranslated.
            const TLocValue* un = prj->Constants().Find("SUnnumbered")->Values().Value(slot);
            EXPECT_EQ(un->Text(), u"Numbered when read");
            EXPECT_EQ(un->Revision(), -1);

            const TLocForm* form = store->Forms().ItemAt(0);
            // The integer record with the caption's id is skipped; so is the unknown id.
            const TLocValue* caption = form->Properties().Find("Caption")->Values().Value(slot);
            EXPECT_EQ(caption->Text(), u"Veilmark 1.0");
            EXPECT_EQ(caption->Revision(), -1);
            // The records after the skipped ones are read in step (up to format 3 numbers have
            // no bytes, in the structure as in the translation).
            const TLocValue* width = form->Properties().Find("Width")->Values().Value(slot);
            EXPECT_EQ(width->Text(), fv >= 4 ? u"800" : u"");
            EXPECT_EQ(width->Revision(), 0);
            const TLocValue* ratio = form->Properties().Find("Ratio")->Values().Value(slot);
            EXPECT_EQ(ratio->Text(), fv >= 4 ? u"3.25" : u"");
            const TLocValue* lines =
                form->FindComponent("mmo1")->Properties().Find("Lines.Strings")->Values().Value(slot);
            EXPECT_EQ(lines->Text(), u"uno\r\ndos\r\n");
            EXPECT_EQ(lines->Revision(), -1);  // a matching load keeps "untranslated"
            if (fv >= 7) {
                const TLocValue* hola = store->ExternalGroups().ItemAt(0)->Entries().Find("Greeting")->Values().Value(slot);
                EXPECT_EQ(hola->Text(), u"Hola");
                EXPECT_EQ(hola->Revision(), 7);
            }
            // The base values are untouched.
            EXPECT_EQ(prj->Constants().Find("SReady")->BaseValue()->Text(), u"Ready");
        }
}

TEST(LangFileRead, MatchingByNames) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    TLangFile native;
    auto store = LoadStructure(MakeLanguageFile(h, src, 0), native);
    int slot = store->AddLanguage(0, 12);
    // Ids that mean nothing; names in another letter case.
    TLocStorage fr;
    TLangFileHeader hfr = ParseLangSource(R"(header
  language 12
end
unit prjconst
  constant SREADY id 500 revision 4 = "Prêt"
end
form FORM1
  property caption id 501 kind string revision 4 = "Veilmark"
  component MMO1
    property lines.strings id 502 kind strings revision 2 = "un"
  end
end
group extras
  entry Greeting id 503 revision 5 = "Salut"
end
)", "fr", fr);
    TLangFile tr;
    rtl::TMemoryStream in(MakeLanguageFile(hfr, fr, 0));
    tr.LoadFromStream(in, store.get(), lroMatchByName, slot);
    const TLocForm* form = store->Forms().ItemAt(0);
    EXPECT_EQ(store->Units().ItemAt(0)->Constants().Find("SReady")->Values().Value(slot)->Text(), u"Prêt");
    EXPECT_EQ(form->Properties().Find("Caption")->Values().Value(slot)->Text(), u"Veilmark");
    EXPECT_EQ(form->FindComponent("mmo1")->Properties().Find("Lines.Strings")->Values().Value(slot)->Text(), u"un");
    EXPECT_EQ(store->ExternalGroups().ItemAt(0)->Entries().Find("Greeting")->Values().Value(slot)->Text(), u"Salut");
}

// A second record for an existing property with another kind is read by its own kind; the
// property keeps its kind and value, and the records after it stay in step.
TEST(LangFileRead, StructureRecordOfAnotherKindKeepsTheItem) {
    for (int fv : {3, 4, 7}) {
        rtl::TMemoryStream out;
        TLangFileWriter w(out, fv);
        TLangFileHeader h;
        h.Version = 9;
        h.LanguageId = 9;
        w.WriteHeader(h);
        w.WriteCount(0);  // units
        w.WriteCount(2);  // forms
        w.WriteContainer("Form1", 0);
        w.WriteCount(1);
        w.WriteProperty("Caption", 0, 1, lvkString, u"Title", 3, 0);
        w.WriteCount(0);
        w.WriteContainer("Form1", 0);
        w.WriteCount(2);
        w.WriteProperty("Caption", 0, 1, lvkFloat, u"1.5", 8, 0);
        w.WriteProperty("Width", 0, 2, lvkInteger, u"640", 2, 0);
        w.WriteCount(0);
        if (fv >= 7) w.WriteCount(0);
        TLangFile file;
        TLocStorage store;
        out.SetPosition(0);
        file.LoadFromStream(out, &store, 0, -1);
        const TLocProperty* caption = store.Forms().ItemAt(0)->Properties().Find("Caption");
        EXPECT_EQ(caption->ValueKind(), lvkString);
        EXPECT_EQ(caption->BaseValue()->Text(), u"Title");
        EXPECT_EQ(caption->BaseValue()->Revision(), 3);
        const TLocProperty* width = store.Forms().ItemAt(0)->Properties().Find("Width");
        ASSERT_NE(width, nullptr);
        EXPECT_EQ(width->BaseValue()->Text(), fv >= 4 ? u"640" : u"");
        EXPECT_EQ(width->BaseValue()->Revision(), 2);
        EXPECT_EQ(out.Position(), out.Size());
    }
}

TEST(LangFileRead, ReplaceIdsRenumbersTakenIds) {
    rtl::TMemoryStream out;
    TLangFileWriter w(out, 7);
    TLangFileHeader h;
    h.LanguageId = 9;
    h.MaxConstantId = 10;
    w.WriteHeader(h);
    w.WriteCount(2);
    w.WriteContainer("A", 0);
    w.WriteCount(1);
    w.WriteConstant("X", 0, 1, 7, u"x", 1, 0);
    w.WriteContainer("B", 0);
    w.WriteCount(1);
    w.WriteConstant("Y", 0, 2, 7, u"y", -1, 0);
    w.WriteCount(0);
    w.WriteCount(0);
    for (unsigned options : {0u, lroReplaceIds}) {
        TLangFile file;
        TLocStorage store;
        out.SetPosition(0);
        file.LoadFromStream(out, &store, options, -1);
        const TLocConstant* y = store.Units().ItemAt(1)->Constants().Find("Y");
        EXPECT_EQ(y->Id(), options ? 11 : 7);
        EXPECT_EQ(file.MaxConstantId(), options ? 11u : 10u);
        EXPECT_EQ(y->BaseValue()->Revision(), 0);  // untranslated base text takes the project version (0)
    }
}

TEST(LangFileHeaderTest, RefusesWrongMagicAndFormats) {
    auto header = [](std::uint16_t magic, std::uint16_t fv) {
        std::vector<std::uint8_t> b(72, 0);
        b[0] = static_cast<std::uint8_t>(magic);
        b[1] = static_cast<std::uint8_t>(magic >> 8);
        b[2] = static_cast<std::uint8_t>(fv);
        b[3] = static_cast<std::uint8_t>(fv >> 8);
        b[4] = 53;
        return b;
    };
    TLangFile file;
    auto msg = [&](std::uint16_t magic, std::uint16_t fv) -> std::string {
        rtl::TMemoryStream s(header(magic, fv));
        try {
            file.ReadHeader(s, false);
        } catch (const ELangFileError& e) {
            return e.Message();
        }
        return "read";
    };
    EXPECT_EQ(msg(0x464C, 0), "Invalid file format");
    EXPECT_EQ(msg(0x4C46, 7), "Invalid file format");
    EXPECT_EQ(msg(0x464C, 8), "The language file can not be read. You need to download the latest Vorerure Vorarod");
    EXPECT_EQ(msg(0x464C, 0xFFFF), "The language file can not be read. You need to download the latest Vorerure Vorarod");
    EXPECT_EQ(msg(0x464C, 1), "read");
    EXPECT_EQ(file.Version(), 53u);
    auto code = [&](std::uint16_t magic, std::uint16_t fv) {
        rtl::TMemoryStream s(header(magic, fv));
        return testutil::ErrorCodeOf([&] { file.ReadHeader(s, false); });
    };
    EXPECT_EQ(code(0x4C46, 7), "lng.header.magic");
    EXPECT_EQ(code(0x464C, 0), "lng.header.version");
    EXPECT_EQ(code(0x464C, 8), "lng.header.newer");
    rtl::TMemoryStream cut(std::vector<std::uint8_t>{'L', 'F', 7});
    EXPECT_EQ(testutil::ErrorCodeOf([&] { file.ReadHeader(cut, false); }), "lng.header.short");

    TLocStorage store;
    rtl::TMemoryStream s(header(0x464C, 7));
    try {
        file.LoadFromStream(s, nullptr, 0, -1);
        FAIL();
    } catch (const ELangFileError& e) {
        EXPECT_EQ(e.Message(), "Invalid LocStorage");
    }
    try {
        file.LoadFromStream(s, &store, 0, 1);
        FAIL();
    } catch (const ELangFileError& e) {
        EXPECT_EQ(e.Message(), "Invalid index");
    }
}

namespace {

int OpenFileCount() {
    int n = 0;
    for ([[maybe_unused]] auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

// The temporary folder of this process, removed when the tests end.
std::filesystem::path TempDir() {
    return std::filesystem::temp_directory_path() / ("vlmrk_langdata_" + std::to_string(::getpid()));
}

class TRemoveTempDir : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(TempDir(), ec);
    }
};
[[maybe_unused]] ::testing::Environment* const kRemoveTempDir = ::testing::AddGlobalTestEnvironment(new TRemoveTempDir);

std::string TempPath(const std::string& name) {
    auto dir = TempDir();
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

}  // namespace

TEST(LangFileOnDisk, HeaderAtCreationAndLoadFromFile) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    // Long names push the header past what a compressed 2048-byte prefix yields.
    TLangFileHeader longNames = h;
    longNames.EnglishName = std::string(3000, 'E');
    for (const auto& hdr : {h, longNames})
        for (bool lzk : {false, true}) {
            std::string path = TempPath(lzk ? "a.lng.lzk" : "a.lng");
            rtl::SaveFileAtomically(path, MakeLanguageFile(hdr, src, 0, 7, lzk));
            int before = OpenFileCount();
            TLangFile file(path, false);
            EXPECT_EQ(OpenFileCount(), before);
            EXPECT_EQ(file.Compressed(), lzk);
            EXPECT_FALSE(file.ReadOnly());
            EXPECT_EQ(file.EnglishName(), hdr.EnglishName);
            EXPECT_EQ(file.NativeName(), u"English");
            EXPECT_EQ(file.Build(), 7u);
            TLocStorage store;
            file.LoadFromFile(&store, -1, 0);
            EXPECT_EQ(OpenFileCount(), before);
            ExpectSameItems(src, store, 7, 0, true, h.Version);
        }

    TLangFile missing(TempPath("missing.lng"), true);
    EXPECT_EQ(missing.FormatVersion(), 7);
    EXPECT_EQ(missing.LanguageId(), 0u);
    EXPECT_TRUE(missing.AskReplacement());

    std::string bad = TempPath("bad.lng");
    rtl::SaveFileAtomically(bad, std::vector<std::uint8_t>{'L', 'F', 9, 0});
    EXPECT_THROW(TLangFile(bad, true), ELangFileError);
}

// Cut short anywhere, a file raises a read error or the reader's error; the store keeps one
// value per language in every item. The code names the part the file ends in: the header, then
// the units, the forms and (format 7) the groups, in that order.
TEST(LangFileHostile, TruncatedFilesFailCleanly) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    const std::vector<std::string> parts = {"lng.header.short", "lng.units.short", "lng.forms.short",
                                            "lng.groups.short"};
    for (int fv : {1, 5, 7})
        for (bool lzk : {false, true}) {
            std::vector<std::uint8_t> whole = MakeLanguageFile(h, src, 0, fv, false);
            rtl::TMemoryStream plain(whole);
            const std::size_t headerEnd = static_cast<std::size_t>(TLangFile().ReadHeader(plain, true));
            std::size_t part = 0;
            for (std::size_t n = 0; n < whole.size(); ++n) {
                std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(n));
                if (lzk) cut = Compress(cut);
                for (int slot : {-1, 1}) {
                    TLangFile native;
                    auto store = LoadStructure(MakeLanguageFile(h, src, 0, 7), native);
                    store->AddLanguage(0, 10);
                    TLangFile file;
                    rtl::TMemoryStream in(cut);
                    const std::string code =
                        testutil::ErrorCodeOf([&] { file.LoadFromStream(in, store.get(), 0, slot); });
                    ExpectConsistent(*store);
                    const auto at = std::find(parts.begin(), parts.end(), code);
                    ASSERT_NE(at, parts.end()) << code << " at " << n;
                    EXPECT_EQ(at == parts.begin(), n < headerEnd) << code << " at " << n;
                    EXPECT_GE(static_cast<std::size_t>(at - parts.begin()), part) << code << " at " << n;
                    part = static_cast<std::size_t>(at - parts.begin());
                }
            }
            EXPECT_EQ(parts[part], fv >= 7 ? "lng.groups.short" : "lng.forms.short") << "the last part cut";
        }
}

TEST(LangFileHostile, HugeCountsAndLengthsDoNotAllocate) {
    for (int fv : {5, 6}) {
        rtl::TMemoryStream s;
        TLangFileWriter w(s, fv);
        TLangFileHeader h;
        w.WriteHeader(h);
        w.WriteCount(1);
        w.WriteContainer("U", 0);
        w.WriteCount(0xFFFF);
        // A constant whose name claims the longest length the prefix can say.
        if (fv >= 6) {
            s.WriteU8(0xFF);
            s.WriteU8(0xFF);
            s.WriteU16(0xFFFF);
        } else {
            s.WriteU16(0xFFFF);
        }
        TLocStorage store;
        TLangFile file;
        s.SetPosition(0);
        EXPECT_THROW(file.LoadFromStream(s, &store, 0, -1), rtl::EReadError);
        s.SetPosition(0);
        EXPECT_EQ(testutil::ErrorCodeOf([&] { file.LoadFromStream(s, &store, 0, -1); }), "lng.units.short");
    }
}

TEST(LangFileHostile, CorruptedBytesNeverCrash) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    TLocStorage es;
    TLangFileHeader hes = ParseLangSource(kSpanish, "es", es);
    std::mt19937 rng(12345);
    for (int fv : {2, 4, 6, 7}) {
        std::vector<std::uint8_t> whole = MakeLanguageFile(hes, es, 0, fv);
        for (int round = 0; round < 400; ++round) {
            std::vector<std::uint8_t> bytes = whole;
            int flips = 1 + static_cast<int>(rng() % 4);
            for (int i = 0; i < flips; ++i) bytes[rng() % bytes.size()] = static_cast<std::uint8_t>(rng());
            TLangFile native;
            auto store = LoadStructure(MakeLanguageFile(h, src, 0, 7), native);
            int slot = store->AddLanguage(0, 10);
            for (int index : {slot, -1}) {
                TLangFile file;
                rtl::TMemoryStream in(bytes);
                try {
                    file.LoadFromStream(in, store.get(), 0, index);
                } catch (const rtl::Exception&) {
                }
                ExpectConsistent(*store);
            }
        }
    }
}
