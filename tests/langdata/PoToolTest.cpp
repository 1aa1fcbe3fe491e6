// The PO commands of vlmrk-tool run as translators and the build run them, checked against
// gettext's own msgfmt where it has a say.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace {

struct TRun {
    int Status = -1;
    std::string Out;  // standard output, and standard error after it when asked
};

TRun Shell(const std::string& command, bool withErrors = false) {
    TRun run;
    FILE* pipe = ::popen((command + (withErrors ? " 2>&1" : " 2>/dev/null")).c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.Out.append(buf.data(), n);
    int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Q(const std::string& path) { return "'" + path + "'"; }
TRun Tool(const std::string& args, bool withErrors = false) { return Shell(Q(VLMRK_TOOL) + " " + args, withErrors); }

bool HaveMsgfmt() { return Shell("msgfmt --version").Status == 0; }
#define REQUIRE_MSGFMT()                                                                                  \
    if (!HaveMsgfmt()) GTEST_SKIP() << "msgfmt is missing: install the Debian package gettext "           \
                                       "(scripts/packages.txt lists it)"

std::filesystem::path TempDir() {
    return std::filesystem::temp_directory_path() / ("vlmrk_potool_" + std::to_string(::getpid()));
}
class TRemoveTempDir : public ::testing::Environment {
public:
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(TempDir(), ec);
    }
};
[[maybe_unused]] ::testing::Environment* const kRemoveTempDir = ::testing::AddGlobalTestEnvironment(new TRemoveTempDir);

std::string Temp(const std::string& name) {
    std::filesystem::create_directories(TempDir());
    return (TempDir() / name).string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string Lang(const std::string& name) { return std::string(VLMRK_SOURCE_DIR) + "/resources/lang/" + name; }

// msgfmt --statistics as three numbers, read from its message.
std::array<int, 3> MsgfmtStatistics(const std::string& po) {
    TRun run = Shell("LC_ALL=C msgfmt --statistics -o /dev/null " + Q(po), true);
    std::array<int, 3> counts{0, 0, 0};
    std::smatch m;
    if (std::regex_search(run.Out, m, std::regex("(\\d+) translated message"))) counts[0] = std::stoi(m[1]);
    if (std::regex_search(run.Out, m, std::regex("(\\d+) fuzzy translation"))) counts[1] = std::stoi(m[1]);
    if (std::regex_search(run.Out, m, std::regex("(\\d+) untranslated message"))) counts[2] = std::stoi(m[1]);
    return counts;
}

std::array<int, 3> ToolStatistics(const std::string& args) {
    TRun run = Tool("lang stats " + args);
    std::array<int, 3> counts{-1, -1, -1};
    std::smatch m;
    if (std::regex_search(run.Out, m, std::regex("\"translated\":(\\d+),\"outdated\":(\\d+),\"untranslated\":(\\d+)")))
        counts = {std::stoi(m[1]), std::stoi(m[2]), std::stoi(m[3])};
    return counts;
}

}  // namespace

// Every shipped and example language: msgfmt accepts the PO, export then import gives the same
// language file, and the statistics agree with msgfmt's.
TEST(PoTool, EveryLanguageRoundTripsAndPassesMsgfmt) {
    REQUIRE_MSGFMT();
    const std::string base = Lang("Vlmrk.en.txt");
    const std::string baseLng = Temp("en.lng");
    ASSERT_EQ(Tool("lang compile " + Q(base) + " " + Q(baseLng)).Status, 0);
    for (std::string source : {"Vlmrk.en.txt", "Vlmrk.es.txt", "Vlmrk.fr.txt", "Vlmrk.it.txt", "extra/Vlmrk.de.txt",
                               "extra/Vlmrk.ru.txt", "extra/Vlmrk.he.txt"}) {
        SCOPED_TRACE(source);
        const std::string po = Temp("x.po"), imported = Temp("imported.lng"), reference = Temp("reference.lng");
        ASSERT_EQ(Tool("lang export-po " + Q(base) + " " + Q(Lang(source)) + " -o " + Q(po)).Status, 0);
        TRun check = Shell("msgfmt --check --check-format -o /dev/null " + Q(po), true);
        EXPECT_EQ(check.Status, 0) << check.Out;

        // The reference language file: compiled from the source, or for the example languages,
        // whose items carry no ids, numbered against the base by name.
        const bool example = source.rfind("extra/", 0) == 0;
        ASSERT_EQ(Tool(example ? "lang update " + Q(baseLng) + " " + Q(Lang(source)) + " " + Q(reference)
                               : "lang compile " + Q(Lang(source)) + " " + Q(reference))
                      .Status,
                  0);
        TRun import = Tool("lang import-po " + Q(baseLng) + " " + Q(po) + " " + Q(imported), true);
        ASSERT_EQ(import.Status, 0) << import.Out;
        EXPECT_EQ(import.Out, "");  // no warnings
        EXPECT_EQ(Tool("lang dump " + Q(imported)).Out, Tool("lang dump " + Q(reference)).Out);
        EXPECT_EQ(Tool("lang dump " + Q(baseLng) + " " + Q(imported)).Out,
                  Tool("lang dump " + Q(baseLng) + " " + Q(reference)).Out);
        EXPECT_EQ(ReadFile(imported), ReadFile(reference));

        std::array<int, 3> msgfmt = MsgfmtStatistics(po);
        EXPECT_GT(msgfmt[0], 100);
        EXPECT_EQ(ToolStatistics("--base " + Q(base) + " " + Q(Lang(source))), msgfmt);
        EXPECT_EQ(ToolStatistics(Q(po)), msgfmt);
    }
    // The template has every item untranslated and is a valid catalogue too.
    const std::string pot = Temp("veilmark.pot");
    ASSERT_EQ(Tool("lang export-po " + Q(base) + " -o " + Q(pot)).Status, 0);
    std::array<int, 3> counts = MsgfmtStatistics(pot);
    EXPECT_EQ(counts[0], 0);
    EXPECT_GT(counts[2], 100);
}

// A small base with the texts that stress quoting, and a translation in every state.
const char kBase[] = R"(header
  version 53
  language 9
  native yes
  max-constant-id 9
  max-property-id 3
end
unit U
  constant SFmt id 1 resource 65239 revision 2 = "Read %s of %d"
  constant SQuotes id 2 resource 65240 revision 1 = "Quote \" backslash \\ tab\t"
  constant SEmpty id 3 resource 65241 revision 1 = ""
  constant SGone id 4 resource 65242 revision 1 = "Gone soon"
  constant SChanged id 5 resource 65243 revision 1 = "Old text"
end
form Form1
  component mmo1
    property Lines.Strings id 1 kind strings revision 1 = "one\r\n"
      + "two\r\n"
  end
end
)";

const char kFrench[] = R"(header
  version 53
  language 12
  based-on 9
  english-name "French"
  native-name "français"
end
unit U
  constant SFmt id 1 resource 65239 revision 1 = "Lu %s sur %d"
  constant SQuotes id 2 resource 65240 revision 1 = "Guillemet \" barre \\ tab\t"
  constant SEmpty id 3 resource 65241 revision 1 = ""
  constant SGone id 4 resource 65242 revision 1 = "Bientôt parti"
  constant SChanged id 5 resource 65243 revision 1 = "Ancien texte"
end
form Form1
  component mmo1
    property Lines.Strings id 1 kind strings revision 1 = "un\r\n"
      + "deux – é\r\n"
  end
end
)";

TEST(PoTool, AwkwardTextsAndOutdatedEntriesSurvive) {
    REQUIRE_MSGFMT();
    const std::string base = Temp("b.txt"), fr = Temp("fr.txt"), po = Temp("fr.po"), out = Temp("fr.lng");
    WriteFile(base, kBase);
    WriteFile(fr, kFrench);
    ASSERT_EQ(Tool("lang export-po " + Q(base) + " " + Q(fr) + " -o " + Q(po)).Status, 0);
    TRun check = Shell("msgfmt --check --check-format -o /dev/null " + Q(po), true);
    EXPECT_EQ(check.Status, 0) << check.Out;
    const std::string text = ReadFile(po);
    EXPECT_NE(text.find("#, fuzzy, c-format\nmsgctxt \"U.SFmt\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("msgid \"\"\n\"one\\r\\n\"\n\"two\\r\\n\"\nmsgstr \"\"\n\"un\\r\\n\"\n\"deux – é\\r\\n\"\n"),
              std::string::npos);
    EXPECT_EQ(MsgfmtStatistics(po), (std::array<int, 3>{4, 1, 1}));  // the empty translation counts as untranslated

    // Back to a translation source: the same items, revisions and texts as the original.
    const std::string again = Temp("fr-again.txt");
    ASSERT_EQ(Tool("lang import-po " + Q(base) + " " + Q(po) + " " + Q(again) + " --source").Status, 0);
    ASSERT_EQ(Tool("lang compile " + Q(again) + " " + Q(out)).Status, 0);
    const std::string original = Temp("fr-original.lng");
    ASSERT_EQ(Tool("lang compile " + Q(fr) + " " + Q(original)).Status, 0);
    EXPECT_EQ(ReadFile(out), ReadFile(original));
}

TEST(PoTool, DroppedPlaceholderIsRefusedByMsgfmtAndByImport) {
    REQUIRE_MSGFMT();
    const std::string base = Temp("b.txt"), fr = Temp("fr.txt"), po = Temp("fr.po");
    WriteFile(base, kBase);
    WriteFile(fr, kFrench);
    ASSERT_EQ(Tool("lang export-po " + Q(base) + " " + Q(fr) + " -o " + Q(po)).Status, 0);
    // The translator brings the outdated entry up to date and drops "%s" on the way.
    std::string text = ReadFile(po);
    const std::string from = "#, fuzzy, c-format\nmsgctxt \"U.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"Lu %s sur %d\"";
    std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), "#, c-format\nmsgctxt \"U.SFmt\"\nmsgid \"Read %s of %d\"\nmsgstr \"Lu sur %d\"");
    WriteFile(po, text);
    const int line = static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n')) + 3;

    TRun msgfmt = Shell("msgfmt --check-format -o /dev/null " + Q(po), true);
    EXPECT_NE(msgfmt.Status, 0);
    TRun import = Tool("lang import-po " + Q(base) + " " + Q(po) + " " + Q(Temp("bad.lng")), true);
    EXPECT_EQ(import.Status, 2);
    EXPECT_NE(import.Out.find(po + "(" + std::to_string(line) + "): \"U.SFmt\": the translation does not keep the "
                                                                  "placeholders of the base text (%s %i)"),
              std::string::npos)
        << import.Out;
    EXPECT_FALSE(std::filesystem::exists(Temp("bad.lng")));
}

TEST(PoTool, UpdateBringsATranslationToANewBase) {
    // The new base drops SGone, adds SNew (taking SGone's place in the numbering is not allowed:
    // it gets a new id), changes SChanged's text (a new revision) and renumbers nothing else.
    std::string newBase = kBase;
    newBase.replace(newBase.find("  constant SGone"), std::string("  constant SGone id 4 resource 65242 revision 1 = \"Gone soon\"\n").size(),
                    "  constant SNew id 6 resource 65244 revision 1 = \"Brand new\"\n");
    newBase.replace(newBase.find("revision 1 = \"Old text\""), std::string("revision 1 = \"Old text\"").size(),
                    "revision 2 = \"New text\"");
    newBase.replace(newBase.find("max-constant-id 9"), 17, "max-constant-id 12");
    const std::string base = Temp("new.txt"), fr = Temp("fr.txt"), out = Temp("fr-new.txt");
    WriteFile(base, newBase);
    WriteFile(fr, kFrench);
    TRun update = Tool("lang update " + Q(base) + " " + Q(fr) + " " + Q(out) + " --source");
    ASSERT_EQ(update.Status, 0);
    EXPECT_EQ(update.Out, "{\"current\":3,\"outdated\":2,\"untranslated\":1,\"dropped\":1}\n");
    const std::string text = ReadFile(out);
    EXPECT_EQ(text.find("SGone"), std::string::npos);
    EXPECT_NE(text.find("constant SNew id 6 resource 65244 revision -1 = \"Brand new\""), std::string::npos) << text;
    EXPECT_NE(text.find("constant SChanged id 5 resource 65243 revision 1 = \"Ancien texte\""), std::string::npos);
    EXPECT_NE(text.find("max-constant-id 12"), std::string::npos);

    // The same from the translation's PO, as msgmerge works: the changed base text makes the
    // entry outdated even where the revision alone would not tell.
    const std::string oldBase = Temp("old.txt"), po = Temp("fr.po"), merged = Temp("merged.po");
    WriteFile(oldBase, kBase);
    ASSERT_EQ(Tool("lang export-po " + Q(oldBase) + " " + Q(fr) + " -o " + Q(po)).Status, 0);
    newBase.replace(newBase.find("revision 2 = \"New text\""), std::string("revision 2 = \"New text\"").size(),
                    "revision 1 = \"New text\"");
    WriteFile(base, newBase);
    TRun fromPo = Tool("lang update " + Q(base) + " " + Q(po) + " " + Q(merged) + " --po", true);
    ASSERT_EQ(fromPo.Status, 0) << fromPo.Out;
    EXPECT_NE(fromPo.Out.find("\"U.SChanged\" was translated from another base text"), std::string::npos);
    EXPECT_NE(fromPo.Out.find("\"U.SGone\" is not an item of the base language"), std::string::npos);
    EXPECT_NE(fromPo.Out.find("{\"current\":3,\"outdated\":2,\"untranslated\":1,\"dropped\":1}"), std::string::npos);
    const std::string mergedText = ReadFile(merged);
    EXPECT_NE(mergedText.find("#, fuzzy\nmsgctxt \"U.SChanged\"\nmsgid \"New text\"\nmsgstr \"Ancien texte\""),
              std::string::npos)
        << mergedText;
}

TEST(PoTool, HostilePoFilesAreRefusedWithTheirLine) {
    const std::string base = Temp("b.txt"), po = Temp("h.po");
    WriteFile(base, kBase);
    const std::string header = "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\"Language: fr\\n\"\n\n";
    struct {
        std::string text;
        std::string expected;
    } cases[] = {
        {header + "msgctxt \"U.SFmt\"\nmsgid \"Read %s of %d\nmsgstr \"\"\n", "(7): the string is not closed"},
        {header + "msgctxt \"U.SFmt\"\nmsgid \"\\z\"\nmsgstr \"\"\n", "(7): unknown escape sequence"},
        {"msgid \"\"\nmsgstr \"Language: fr\\n\"\n", "(1): the header does not give the character set"},
        {header + "msgid \"" + std::string(2 << 20, 'x') + "\"\n", "(6): the line is longer than"},
    };
    for (const auto& c : cases) {
        WriteFile(po, c.text);
        TRun run = Tool("lang import-po " + Q(base) + " " + Q(po) + " " + Q(Temp("h.lng")), true);
        EXPECT_EQ(run.Status, 2);
        EXPECT_NE(run.Out.find(po + c.expected), std::string::npos) << run.Out.substr(0, 300);
        EXPECT_NE(run.Out.find(" [po."), std::string::npos) << "the code follows the message";
        TRun stats = Tool("lang stats " + Q(po), true);
        EXPECT_EQ(stats.Status, 2);
    }
}
