#include <gtest/gtest.h>

#include "LangTestUtil.h"
#include "langdata/LangFileWriter.h"
#include "langdata/LangSource.h"
#include "locstore/LocStorage.h"
#include "platform/nls/Nls.h"

using namespace langdata;
using namespace locstore;

TEST(LangSource, WriterAndParserRoundTrip) {
    TLocStorage a;
    TLangFileHeader h = langtest::LoadSample(a);
    EXPECT_EQ(h.Version, 53u);
    EXPECT_EQ(h.NativeName, u"English");
    EXPECT_EQ(h.Options, 2);
    std::string text = WriteLangSource(h, a, 0);
    TLocStorage b;
    TLangFileHeader h2 = ParseLangSource(text, "again", b);
    EXPECT_EQ(WriteLangSource(h2, b, 0), text);
    langtest::ExpectSameItems(a, b, 7, 0, false, h.Version);

    // What the sample says, spot-checked: continuation lines, escapes, names in quotes.
    const TLocUnit* prj = a.Units().ItemAt(0);
    EXPECT_EQ(prj->Flags(), 1);
    const TLocConstant* two = prj->Constants().Find("STwoLines");
    EXPECT_EQ(two->BaseValue()->Text(), u"First line\r\nsecond line");
    EXPECT_EQ(two->BaseValue()->Stamp(), 0x40e5e00000000000ULL);
    EXPECT_EQ(two->ResourceId(), 65240u);
    EXPECT_EQ(a.Forms().ItemAt(0)->FindComponent("lbl 2")->Properties().Find("Hint")->BaseValue()->Text(),
              u"Quote \" and backslash \\ and tab\t");
    EXPECT_NE(a.Forms().ItemAt(0)->FindComponent(""), nullptr);
    EXPECT_EQ(a.ExternalGroups().ItemAt(0)->Entries().Find("Greeting")->BaseValue()->Revision(), -1);
    // Constants differ by case; both are kept.
    EXPECT_NE(a.Units().ItemAt(1)->Constants().Find("sready"), nullptr);
}

TEST(LangSource, TextsOutsideTheBasicPlaneAndControlCharacters) {
    TLocStorage s;
    TLangFileHeader h = ParseLangSource(
        "header\n  language 9\nend\nunit U\n  constant C id 1 = \"\xF0\x9F\x98\x80 \\u0001 \\uD800\"\nend\n", "t", s);
    const WideString& text = s.Units().ItemAt(0)->Constants().ItemAt(0)->BaseValue()->Text();
    EXPECT_EQ(text, (WideString{0xD83D, 0xDE00, u' ', 0x0001, u' ', 0xD800}));
    TLocStorage t;
    ParseLangSource(WriteLangSource(h, s, 0), "again", t);
    EXPECT_EQ(t.Units().ItemAt(0)->Constants().ItemAt(0)->BaseValue()->Text(), text);
}

TEST(LangSource, ErrorsNameTheLine) {
    auto error = [](const std::string& body) -> std::string {
        TLocStorage s;
        try {
            ParseLangSource("header\n  language 9\nend\n" + body, "x.vlang", s);
        } catch (const ELangSourceError& e) {
            return e.Message();
        }
        return "parsed";
    };
    EXPECT_EQ(error("unit U\n  constant A id 1 = \"a\"\n  constant A id 2 = \"b\"\nend\n"),
              "x.vlang(6): constant \"A\" appears twice");
    EXPECT_EQ(error("unit U\n  constant A id 1 = \"a\"\n  constant a id 2 = \"b\"\nend\n"), "parsed");
    EXPECT_EQ(error("form F\n  property Caption id 1 kind string = \"a\"\n  property CAPTION id 2 kind string\nend\n"),
              "x.vlang(6): property \"CAPTION\" appears twice");
    EXPECT_EQ(error("unit U\n"), "x.vlang(5): a block is not closed with \"end\"");
    EXPECT_EQ(error("frob\n"), "x.vlang(4): unknown keyword \"frob\"");
    EXPECT_EQ(error("unit U\n  constant A id 1 = \"a\\q\"\nend\n"), "x.vlang(5): unknown escape \\q");
    EXPECT_EQ(error("unit U\n  constant A id 1 resource 70000\nend\n"),
              "x.vlang(5): resource 70000 is out of range 0 to 65535");
    EXPECT_EQ(error("form F\n  property W id 1 kind integer = \"12x\"\nend\n"),
              "x.vlang(5): \"12x\" is not a value of kind integer");
    EXPECT_EQ(error("form F\n  property A id 1 kind identifier = \"alClient\"\nend\n"),
              "x.vlang(5): a property of kind identifier carries no text in a language file");
    EXPECT_EQ(error("form F\n  property A id 1 = \"x\"\nend\n"), "x.vlang(5): a property needs its kind");
    EXPECT_EQ(error("+ \"more\"\n"), "x.vlang(4): \"+\" continues the text of the item line above");
    EXPECT_EQ(error("unit U\n  constant A = \"\xC3\x28\"\nend\n"), "x.vlang(5): invalid UTF-8");
    if (nls::GetACP() == 1252) {  // the default; a single-byte page without CJK characters
        EXPECT_EQ(error("unit \"\u4E00\"\nend\n"), "x.vlang(4): the name cannot be written in the system code page 1252");
        EXPECT_EQ(error("unit \"F\u00FCr\"\nend\n"), "parsed");
    }
    TLocStorage s;
    EXPECT_THROW(ParseLangSource("unit U\nend\n", "y", s), ELangSourceError);
}

// A compiled source reads back to what it says, in every format the compiler writes.
TEST(LangSource, CompiledFilesReadBackToTheSource) {
    TLocStorage src;
    TLangFileHeader h = langtest::LoadSample(src);
    for (int fv = 1; fv <= 7; ++fv) {
        TLangFile file;
        TLocStorage got;
        rtl::TMemoryStream in(MakeLanguageFile(h, src, 0, fv, fv % 2 == 0));
        file.LoadFromStream(in, &got, 0, -1);
        SCOPED_TRACE(fv);
        langtest::ExpectSameItems(src, got, fv, 0, true, h.Version);
    }
}
