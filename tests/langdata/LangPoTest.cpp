#include <gtest/gtest.h>

#include <string>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPo.h"
#include "langdata/LangSource.h"
#include "locstore/LocStorage.h"
#include "tests/support/ErrorCode.h"

using namespace langdata;
using namespace locstore;

namespace {

const char kBase[] = R"(header
  version 53
  build 4
  language 9
  native yes
  max-constant-id 10
  max-property-id 5
  max-external-id 1
end
unit PrjConst
  constant SReady id 1 resource 65239 revision 3 = "Ready"
  constant SFmt id 2 resource 65240 revision 2 = "Read %s of %d"
  constant SEmpty id 3 resource 65241 revision 1 = ""
  constant SAwkward id 4 resource 65242 revision 1 = "Quote \" backslash \\ tab\t"
  constant SReady2 id 5 resource 65243 revision 2 = "Ready"
end
form Form1
  property Caption id 1 kind string revision 1 = "Main"
  component mmo1
    property Lines.Strings id 2 kind strings revision 2 = "one\r\n"
      + "two\r\n"
    property Align id 3 kind identifier revision 1
  end
end
group Extras
  entry Greeting id 1 revision 1 = "Hello"
end
)";

const char kSpanish[] = R"(header
  version 53
  build 7
  language 10
  based-on 9
  english-name "Spanish"
  native-name "español"
  options 0x0100
  max-constant-id 10
  max-property-id 5
  max-external-id 1
end
unit PrjConst
  constant SReady id 1 resource 65239 revision 3 = "Listo"
  constant SFmt id 2 resource 65240 revision 1 = "Leído %s de %d"
  constant SEmpty id 3 resource 65241 revision 1 = ""
  constant SAwkward id 4 resource 65242 revision -1 = "Quote \" backslash \\ tab\t"
  constant SReady2 id 5 resource 65243 revision -1 = "Old, \"stale\" copy"
end
form Form1
  property Caption id 1 kind string revision 1 flags 0x0100 stamp 0102030405060708 = "Principal"
  component mmo1
    property Lines.Strings id 2 kind strings revision 2 = "uno \"1\"\r\n"
      + "dós\t\\2\r\n"
  end
end
group Extras
  entry Greeting id 1 revision 1 = "¡Hola, señor!"
end
)";

// A source compiled and read as the program reads it: structure (slot -1) or into a new slot.
TLangFileHeader Load(const char* source, TLocStorage& store, bool structure, int* slot = nullptr) {
    TLocStorage parsed;
    TLangFileHeader h = ParseLangSource(source, "src", parsed);
    rtl::TMemoryStream in(MakeLanguageFile(h, parsed, 0));
    TLangFile file;
    int index = -1;
    if (!structure) index = store.AddLanguage(0, h.LanguageId);
    file.LoadFromStream(in, &store, 0, index);
    if (slot) *slot = index;
    return file.Header();
}

const TPoEntry* Find(const TPoFile& po, const std::string& context) {
    for (const auto& e : po.Entries)
        if (e.HasContext && e.Context == context) return &e;
    return nullptr;
}

void Import(const std::string& poText, TPoImportResult* result = nullptr) {
    TLocStorage store;
    TLangFileHeader base = Load(kBase, store, true);
    TPoFile po = ParsePo(poText, "t.po");
    TLangFileHeader h = PoLanguageHeader(po, base, "t.po");
    int slot = store.AddLanguage(0, h.LanguageId);
    TPoImportResult r = ImportPo(po, store, slot, "t.po");
    if (result) *result = r;
}

std::string ErrorOfImport(const std::string& poText, TPoImportResult* result = nullptr) {
    try {
        Import(poText, result);
    } catch (const rtl::Exception& e) {
        return e.Message();
    }
    return {};
}

std::string CodeOfImport(const std::string& poText) { return testutil::ErrorCodeOf([&] { Import(poText); }); }

const std::string kPoHeader =
    "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"Language: es\\n\"\n\n";

}  // namespace

TEST(LangPo, ExportFollowsTheRevisionRules) {
    TLocStorage store;
    TLangFileHeader base = Load(kBase, store, true);
    int slot = 0;
    TLangFileHeader es = Load(kSpanish, store, false, &slot);
    TPoFile po = ExportPo(store, base, slot, &es, {{"Form1", "TForm1"}, {"Form1.mmo1", "TMemo"}});

    // Text kinds only, in store order, each with its path as context.
    std::vector<std::string> contexts;
    for (const auto& e : po.Entries)
        if (!e.IsHeader()) contexts.push_back(e.Context);
    EXPECT_EQ(contexts, (std::vector<std::string>{"PrjConst.SAwkward", "PrjConst.SEmpty", "PrjConst.SFmt",
                                                  "PrjConst.SReady", "PrjConst.SReady2", "Form1.Caption",
                                                  "Form1.mmo1.Lines.Strings",
                                                  "Extras.Greeting"}));
    const TPoEntry* ready = Find(po, "PrjConst.SReady");
    EXPECT_EQ(ready->Translation(), "Listo");
    EXPECT_TRUE(ready->Flags.empty());
    EXPECT_EQ(ready->ExtractedComments, std::vector<std::string>{"id 1, resource 65239"});
    const TPoEntry* fmt = Find(po, "PrjConst.SFmt");
    EXPECT_EQ(fmt->Flags, (std::vector<std::string>{"fuzzy", "c-format"}));
    // Revision 1 is what a fuzzy entry of a base at revision 2 gets anyway: nothing recorded.
    EXPECT_EQ(fmt->ExtractedComments.size(), 1u);
    const TPoEntry* awkward = Find(po, "PrjConst.SAwkward");
    EXPECT_EQ(awkward->Id, "Quote \" backslash \\ tab\t");
    EXPECT_EQ(awkward->Translation(), "");
    EXPECT_EQ(awkward->ExtractedComments.size(), 1u);  // follows the base text: nothing to record
    // An untranslated value with a text of its own keeps it in the comment.
    EXPECT_EQ(Find(po, "PrjConst.SReady2")->ExtractedComments.back(), "veilmark: text \"Old, \\\"stale\\\" copy\"");
    // Translated as the empty text: the empty msgstr alone would read as untranslated.
    const TPoEntry* empty = Find(po, "PrjConst.SEmpty");
    EXPECT_EQ(empty->Id, "");
    EXPECT_EQ(empty->ExtractedComments.back(), "veilmark: revision 1");
    const TPoEntry* caption = Find(po, "Form1.Caption");
    EXPECT_EQ(caption->ExtractedComments,
              (std::vector<std::string>{"id 1, class TForm1", "veilmark: flags 0x0100, stamp 0102030405060708"}));
    EXPECT_EQ(Find(po, "Form1.mmo1.Lines.Strings")->ExtractedComments.front(),
              "id 2, class TMemo, kind strings (one line per list item)");

    TPoStatistics s = CountPo(po);
    EXPECT_EQ(s.Translated, 4);
    EXPECT_EQ(s.Fuzzy, 1);
    EXPECT_EQ(s.Untranslated, 3);
    EXPECT_EQ(po.HeaderField("X-Veilmark-Native-Name"), "español");
    EXPECT_EQ(po.HeaderField("Language"), "es");

    // The template: no translations, no language of its own.
    TPoFile pot = ExportPo(store, base, -1, nullptr);
    EXPECT_EQ(CountPo(pot).Untranslated, 8);
    EXPECT_EQ(pot.HeaderField("Language"), "");
    EXPECT_EQ(Find(pot, "PrjConst.SFmt")->Flags, std::vector<std::string>{"c-format"});
}

TEST(LangPo, ExportThenImportGivesTheSameLanguageFile) {
    TLocStorage store;
    TLangFileHeader base = Load(kBase, store, true);
    int slot = 0;
    TLangFileHeader es = Load(kSpanish, store, false, &slot);
    const std::string text = WritePo(ExportPo(store, base, slot, &es));

    TLocStorage again;
    Load(kBase, again, true);
    TPoFile po = ParsePo(text, "es.po");
    TLangFileHeader h = PoLanguageHeader(po, base, "es.po");
    int slot2 = again.AddLanguage(0, h.LanguageId);
    TPoImportResult r = ImportPo(po, again, slot2, "es.po");
    EXPECT_TRUE(r.Warnings.empty());
    EXPECT_EQ(r.Matched, 8);
    EXPECT_EQ(MakeLanguageFile(h, again, slot2), MakeLanguageFile(es, store, slot));
    EXPECT_EQ(again.Units().ItemAt(0)->Constants().Find("SFmt")->Values().Value(slot2)->Revision(), 1);
    // And the PO of the imported file is the PO it came from.
    EXPECT_EQ(WritePo(ExportPo(again, base, slot2, &h)), text);
}

TEST(LangPo, EntriesMapToRevisionsOnImport) {
    std::string text = kPoHeader +
                       "msgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"Listo\"\n\n"
                       "#, fuzzy\nmsgctxt \"Form1.Caption\"\nmsgid \"Main\"\nmsgstr \"Principal\"\n\n"
                       "#. veilmark: revision 1\n#, fuzzy, c-format\nmsgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\n"
                       "msgstr \"Leído\"\n\n"
                       "#. veilmark: revision 0\nmsgctxt \"Form1.mmo1.Lines.Strings\"\nmsgid \"one\\r\\ntwo\\r\\n\"\n"
                       "msgstr \"uno\\r\\ndos\\r\\n\"\n\n"
                       "msgctxt \"Extras.Greeting\"\nmsgid \"Hi\"\nmsgstr \"Hola\"\n\n"
                       "msgctxt \"PrjConst.SAwkward\"\nmsgid \"x\"\nmsgstr \"\"\n\n"
                       "msgctxt \"PrjConst.SGone\"\nmsgid \"Gone\"\nmsgstr \"Ido\"\n";
    TLocStorage store;
    TLangFileHeader base = Load(kBase, store, true);
    TPoFile po = ParsePo(text, "t.po");
    int slot = store.AddLanguage(0, PoLanguageHeader(po, base, "t.po").LanguageId);
    TPoImportResult r = ImportPo(po, store, slot, "t.po");

    auto rev = [&](TLocItem* item) { return item->Values().Value(slot)->Revision(); };
    const TLocUnit* prj = store.Units().ItemAt(0);
    EXPECT_EQ(rev(prj->Constants().Find("SReady")), 3);                  // translated: the base's
    EXPECT_EQ(rev(store.Forms().ItemAt(0)->Properties().Find("Caption")), 0);  // fuzzy: below the base's
    EXPECT_EQ(rev(prj->Constants().Find("SFmt")), 1);                    // fuzzy: the recorded lower revision
    // The translator cleared "fuzzy": the recorded older revision gives way to the base's.
    EXPECT_EQ(rev(store.Forms().ItemAt(0)->FindComponent("mmo1")->Properties().Find("Lines.Strings")), 2);
    EXPECT_EQ(rev(prj->Constants().Find("SAwkward")), -1);               // empty: untranslated
    // Made for another base text: outdated.
    TLocItem* greeting = store.ExternalGroups().ItemAt(0)->Entries().Find("Greeting");
    EXPECT_EQ(rev(greeting), 0);
    EXPECT_EQ(greeting->Values().Value(slot)->Text(), u"Hola");
    // An untranslated value keeps the base text it follows.
    EXPECT_EQ(prj->Constants().Find("SAwkward")->Values().Value(slot)->Text(), u"Quote \" backslash \\ tab\t");
    ASSERT_EQ(r.Warnings.size(), 2u);
    EXPECT_EQ(r.Warnings[0], "t.po(27): \"Extras.Greeting\" was translated from another base text; imported as outdated");
    EXPECT_EQ(r.Warnings[1], "t.po(35): \"PrjConst.SGone\" is not an item of the base language; skipped");
    EXPECT_EQ(r.Skipped, 1);
}

TEST(LangPo, ImportRefusesWhatTheProgramCannotShow) {
    // A dropped placeholder of a current translation.
    EXPECT_EQ(ErrorOfImport(kPoHeader + "#, c-format\nmsgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"Leído %d\"\n"),
              "t.po(8): \"PrjConst.SFmt\": the translation does not keep the placeholders of the base text (%s %i)");
    // Swapped kinds are as wrong as a missing one; an outdated translation is not held to them.
    EXPECT_NE(ErrorOfImport(kPoHeader + "msgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"%d de %s\"\n"), "");
    EXPECT_EQ(ErrorOfImport(kPoHeader + "#, fuzzy\nmsgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"Leído\"\n"), "");
    EXPECT_EQ(ErrorOfImport(kPoHeader + "msgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"%-3s de %5d (%%)\"\n"), "");
    // Spanish texts are 8-bit text in code page 1252: Cyrillic cannot be shown.
    EXPECT_EQ(ErrorOfImport(kPoHeader + "\nmsgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"Готово\"\n"),
              "t.po(8): \"PrjConst.SReady\": the translation holds characters that code page 1252 cannot hold");
    // One item, two entries.
    EXPECT_EQ(ErrorOfImport(kPoHeader + "msgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"a\"\n\n"
                                        "msgctxt \"PrjConst.SReady\"\nmsgid \"Ready!\"\nmsgstr \"b\"\n"),
              "t.po(11): the entry \"PrjConst.SReady\" appears twice (first at line 7)");
    EXPECT_EQ(ErrorOfImport(kPoHeader + "#. veilmark: revision x\nmsgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"a\"\n"),
              "t.po(8): the comment \"veilmark: revision x\" is not valid");

    // Each refusal names its check.
    EXPECT_EQ(CodeOfImport(kPoHeader + "#, c-format\nmsgctxt \"PrjConst.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"Leído %d\"\n"),
              "po.text.placeholders");
    EXPECT_EQ(CodeOfImport(kPoHeader + "\nmsgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"Готово\"\n"),
              "po.text.codepage");
    EXPECT_EQ(CodeOfImport(kPoHeader + "msgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"a\"\n\n"
                                       "msgctxt \"PrjConst.SReady\"\nmsgid \"Ready!\"\nmsgstr \"b\"\n"),
              "po.item.twice");
    EXPECT_EQ(CodeOfImport(kPoHeader + "#. veilmark: revision x\nmsgctxt \"PrjConst.SReady\"\nmsgid \"Ready\"\nmsgstr \"a\"\n"),
              "po.comment.invalid");
}

TEST(LangPo, TheHeaderNamesTheLanguage) {
    TLangFileHeader base;
    base.LanguageId = 9;
    base.Version = 53;
    base.MaxConstantId = 80;
    auto header = [&](const std::string& fields) {
        return PoLanguageHeader(ParsePo("msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n" + fields,
                                        "t.po"),
                                base, "t.po");
    };
    // A new translation started from the template with msginit: the language alone.
    TLangFileHeader de = header("\"Language: de_DE\\n\"\n");
    EXPECT_EQ(de.LanguageId, 0x0407);
    EXPECT_EQ(de.EnglishName, "German (Germany)");
    EXPECT_EQ(de.NativeName, u"Deutsch");
    EXPECT_EQ(de.BasedOnLanguageId, 9);
    EXPECT_EQ(de.Version, 53u);
    EXPECT_EQ(de.MaxConstantId, 80u);
    EXPECT_EQ(header("\"Language: ru\\n\"\n").LanguageId, 0x0019);
    TLangFileHeader full = header("\"X-Veilmark-Language-Id: 0x000C\\n\"\n\"X-Veilmark-Native: yes\\n\"\n"
                                  "\"X-Veilmark-Format: 5\\n\"\n\"X-Veilmark-Max-Constant-Id: 90\\n\"\n");
    EXPECT_EQ(full.LanguageId, 0x000C);
    EXPECT_TRUE(full.IsNative);
    EXPECT_EQ(full.FormatVersion, 5);
    EXPECT_EQ(full.MaxConstantId, 90u);
    auto error = [&](const std::string& fields) {
        try {
            header(fields);
        } catch (const ELangPoError& e) {
            return e.Message();
        }
        return std::string();
    };
    EXPECT_EQ(error(""), "t.po(1): the header names no language (Language or X-Veilmark-Language-Id)");
    EXPECT_EQ(error("\"Language: xx\\n\"\n"), "t.po(1): the header field Language is not valid: \"xx\"");
    EXPECT_EQ(error("\"X-Veilmark-Language-Id: 10\\n\"\n\"X-Veilmark-Format: 8\\n\"\n"),
              "t.po(1): the header field X-Veilmark-Format is not valid: \"8\"");
    EXPECT_EQ(testutil::ErrorCodeOf([&] { header(""); }), "po.header.language");
    EXPECT_EQ(testutil::ErrorCodeOf([&] { header("\"Language: xx\\n\"\n"); }), "po.header.field");
}

TEST(LangPo, CFormatStrings) {
    EXPECT_TRUE(IsCFormat(u"Read %s of %d"));
    EXPECT_TRUE(IsCFormat(u"%-5d%% done"));
    EXPECT_FALSE(IsCFormat(u"100%"));      // not a directive: no flag, nothing to check
    EXPECT_FALSE(IsCFormat(u"50%% off"));  // only the escape
    EXPECT_FALSE(IsCFormat(u"%0:s"));      // an argument index the C functions do not know
    EXPECT_FALSE(IsCFormat(u"plain"));
    EXPECT_EQ(CFormatConversions(u"%lu %x %.2f %c"), (std::vector<std::string>{"lu", "u", "f", "c"}));
}
