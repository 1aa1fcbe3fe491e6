#include <gtest/gtest.h>

#include <string>

#include "langdata/PoFile.h"
#include "tests/support/ErrorCode.h"

using namespace langdata;

namespace {

const std::string kHeader =
    "msgid \"\"\n"
    "msgstr \"\"\n"
    "\"Language: es\\n\"\n"
    "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
    "\n";

// The message of the error ParsePo raises, or "" when it parses.
std::string ErrorOf(const std::string& text) {
    try {
        ParsePo(text, "t.po");
    } catch (const EPoFileError& e) {
        return e.Message();
    }
    return {};
}

}  // namespace

TEST(PoFile, ReadsEntriesWithCommentsFlagsContextsAndContinuations) {
    std::string text = kHeader +
                       "# a translator's note\n"
                       "#. id 3, class TMemo\n"
                       "#: frmMain.cpp:12\n"
                       "#, fuzzy, c-format\n"
                       "#| msgid \"old\"\n"
                       "msgctxt \"Form1.mmo1.Lines.Strings\"\n"
                       "msgid \"\"\n"
                       "\"one\\r\\n\"\n"
                       "\"two %s\"\n"
                       "msgstr \"uno\\r\\n\" \"dos %s\"\n"
                       "\n"
                       "#~ msgid \"gone\"\n"
                       "#~ msgstr \"ido\"\n"
                       "\n"
                       "msgid \"plain\"\r\n"
                       "msgid_plural \"plains\"\r\n"
                       "msgstr[0] \"llano\"\r\n"
                       "msgstr[1] \"\"\r\n";
    TPoFile po = ParsePo(text, "t.po");
    ASSERT_EQ(po.Entries.size(), 3u);  // header, the memo, the plural; the obsolete entry left out
    EXPECT_EQ(po.HeaderField("language"), "es");
    const TPoEntry& memo = po.Entries[1];
    EXPECT_EQ(memo.TranslatorComments, std::vector<std::string>{"a translator's note"});
    EXPECT_EQ(memo.ExtractedComments, std::vector<std::string>{"id 3, class TMemo"});
    EXPECT_EQ(memo.References, std::vector<std::string>{"frmMain.cpp:12"});
    EXPECT_TRUE(memo.Fuzzy());
    EXPECT_TRUE(memo.HasFlag("c-format"));
    EXPECT_EQ(memo.Context, "Form1.mmo1.Lines.Strings");
    EXPECT_EQ(memo.Id, "one\r\ntwo %s");
    EXPECT_EQ(memo.Translation(), "uno\r\ndos %s");
    EXPECT_EQ(memo.Line, 12);
    const TPoEntry& plural = po.Entries[2];
    EXPECT_FALSE(plural.HasContext);
    EXPECT_TRUE(plural.HasPlural);
    ASSERT_EQ(plural.Str.size(), 2u);
    EXPECT_EQ(plural.Line, 20);
}

TEST(PoFile, WriterAndReaderRoundTripAwkwardTexts) {
    TPoFile po;
    TPoEntry header;
    header.Str.push_back("Content-Type: text/plain; charset=UTF-8\n");
    po.Entries.push_back(header);
    const std::string texts[] = {"", "quote \" backslash \\ tab\t", "line one\r\nline two\r\n", "\n leading",
                                 "español русский עברית", "bell\a and \x01"};
    int n = 0;
    for (const auto& t : texts) {
        TPoEntry e;
        e.HasContext = true;
        e.Context = "U.C" + std::to_string(n++);
        e.Id = t;
        e.Str.push_back(t + "!");
        e.Flags = {"fuzzy", "c-format"};
        e.ExtractedComments = {"id 1"};
        po.Entries.push_back(e);
    }
    std::string text = WritePo(po);
    TPoFile again = ParsePo(text, "again.po");
    ASSERT_EQ(again.Entries.size(), po.Entries.size());
    for (std::size_t i = 1; i < po.Entries.size(); ++i) {
        EXPECT_EQ(again.Entries[i].Id, po.Entries[i].Id);
        EXPECT_EQ(again.Entries[i].Translation(), po.Entries[i].Translation());
        EXPECT_EQ(again.Entries[i].Flags, po.Entries[i].Flags);
        EXPECT_EQ(again.Entries[i].Context, po.Entries[i].Context);
    }
    EXPECT_EQ(WritePo(again), text);
    // Multi-line texts are written one line per line of text, each ending after its "\n".
    EXPECT_NE(text.find("msgid \"\"\n\"line one\\r\\n\"\n\"line two\\r\\n\"\n"), std::string::npos);
}

TEST(PoFile, HostileInputGivesAnErrorWithTheLine) {
    struct {
        std::string text;
        std::string expected;
        std::string code;  // of the check that refuses it
    } cases[] = {
        {kHeader + "msgid \"open\nmsgstr \"\"\n", "t.po(6): the string is not closed", "po.string.open"},
        {kHeader + "msgid \"a\\\"\n", "t.po(6): the string is not closed", "po.string.open"},
        {kHeader + "msgid \"bad \\q\"\nmsgstr \"\"\n", "t.po(6): unknown escape sequence \"\\q\"", "po.string.escape"},
        {kHeader + "msgid \"nul \\0\"\nmsgstr \"\"\n", "t.po(6): unknown escape", "po.string.zero"},
        {kHeader + "msgid \"\\xff\"\nmsgstr \"\"\n", "t.po(6): the text is not valid UTF-8", "po.text.utf8"},
        {kHeader + "msgid \"\xC3\x28\"\nmsgstr \"\"\n", "t.po(6): the text is not valid UTF-8", "po.text.utf8"},
        {kHeader + "msgctxt \"A\"\nmsgid \"x\"\nmsgstr \"1\"\n\nmsgctxt \"A\"\nmsgid \"x\"\nmsgstr \"2\"\n",
         "t.po(11): the entry \"A\" appears twice (first at line 7)", "po.entry.duplicate"},
        {kHeader + "msgstr \"lonely\"\n", "t.po(6): unexpected \"msgstr\"", "po.line.unexpected"},
        {kHeader + "msgid \"x\"\nmsgid \"y\"\nmsgstr \"\"\n", "t.po(6): the entry needs a msgid and a msgstr", "po.entry.incomplete"},
        {kHeader + "msgctxt \"A\"\n", "t.po(7): the entry needs a msgid and a msgstr", "po.entry.incomplete"},
        {kHeader + "msgid \"x\"\nmsgstr \"y\" trailing\n", "t.po(7): unexpected \"trailing\"", "po.line.unexpected"},
        {kHeader + "msgid \"x\"\nmsgstr[0] \"y\"\n", "t.po(7): unexpected \"msgstr[0]\"", "po.line.unexpected"},
        {kHeader + "bogus \"x\"\n", "t.po(6): unexpected \"bogus \"x\"\"", "po.line.unexpected"},
        {"msgid \"\"\nmsgstr \"Language: es\\n\"\n", "t.po(1): the header does not give the character set", "po.header.nocharset"},
        {"msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n",
         "t.po(1): the character set \"ISO-8859-1\" is not supported", "po.header.charset"},
        {kHeader + "msgid \"" + std::string(PoMaxLineBytes, 'a') + "\"\nmsgstr \"\"\n",
         "t.po(6): the line is longer than 1048576 bytes", "po.line.long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 120));
        std::string error = ErrorOf(c.text);
        EXPECT_EQ(error.substr(0, c.expected.size()), c.expected) << error;
        EXPECT_EQ(testutil::ErrorCodeOf([&] { ParsePo(c.text, "t.po"); }), c.code);
    }
}

TEST(PoFile, AcceptsWhatGettextWritesAndOtherTools) {
    // A BOM, CR LF line ends, octal and hex escapes, no header at all, blank lines inside an entry.
    TPoFile po = ParsePo("\xEF\xBB\xBFmsgid \"a\\101\\x42\"\r\n\r\nmsgstr \"b\"\r\n", "t.po");
    ASSERT_EQ(po.Entries.size(), 1u);
    EXPECT_EQ(po.Entries[0].Id, "aAB");
    EXPECT_EQ(po.Header(), nullptr);
    EXPECT_EQ(ErrorOf(kHeader), "");
    EXPECT_EQ(ErrorOf(""), "");
}
