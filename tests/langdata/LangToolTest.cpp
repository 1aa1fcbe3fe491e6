#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "langdata/LangPack.h"
#include "langdata/kcompress/kcompress.h"
#include "platform/rtl/Streams.h"

namespace {

struct TRun {
    int Status = -1;
    std::string Out;
};

// Runs vlmrk-tool with the arguments (quoted for the shell) and collects standard output.
TRun Tool(const std::string& args) {
    TRun run;
    std::string command = std::string("'") + VLMRK_TOOL + "' " + args + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) run.Out.append(buf.data(), n);
    int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Data(const std::string& name) { return std::string(VLMRK_TEST_DATA_DIR) + "/lang/" + name; }

// The temporary folder of this process, removed when the tests end.
std::filesystem::path TempDir() {
    return std::filesystem::temp_directory_path() / ("vlmrk_langtool_" + std::to_string(::getpid()));
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
    auto dir = TempDir();
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::vector<std::uint8_t> Bytes(const std::string& path) {
    rtl::TMemoryStream s;
    s.LoadFromFile(path);
    return s.TakeBytes();
}

}  // namespace

// The dumps of the sample compiled in each format were checked against the source by hand once
// and are kept, one line per format, in sample.en.dump.jsonl: ids numbered above the maxima,
// untranslated texts of the structure at the project version, what each format leaves out.
TEST(LangTool, CompiledSampleDumpsAsTheSourceSays) {
    std::ifstream golden(Data("sample.en.dump.jsonl"));
    std::string expected;
    for (int fv = 1; fv <= 7; ++fv) {
        ASSERT_TRUE(std::getline(golden, expected));
        for (bool lzk : {false, true}) {
            SCOPED_TRACE("format " + std::to_string(fv) + (lzk ? " lzk" : ""));
            std::string out = Temp("sample.lng");
            TRun compile = Tool("lang compile '" + Data("sample.en.vlang") + "' '" + out + "' --format " +
                                std::to_string(fv) + (lzk ? " --lzk" : ""));
            ASSERT_EQ(compile.Status, 0);
            TRun dump = Tool("lang dump '" + out + "'");
            ASSERT_EQ(dump.Status, 0);
            std::string want = expected;
            if (lzk) want.replace(want.find("\"compressed\":false"), 18, "\"compressed\":true");
            EXPECT_EQ(dump.Out, want + "\n");
        }
    }
}

TEST(LangTool, DumpWithTranslationsAddsLanguages) {
    std::string native = Temp("n.lng");
    ASSERT_EQ(Tool("lang compile '" + Data("sample.en.vlang") + "' '" + native + "'").Status, 0);
    TRun dump = Tool("lang dump '" + native + "' '" + native + "' '" + native + "'");
    ASSERT_EQ(dump.Status, 0);
    EXPECT_NE(dump.Out.find("\"languages\":[9,9,9]"), std::string::npos);
    // Each translation is matched by id: Ready in every slot with its own revision.
    EXPECT_NE(dump.Out.find(
                  "{\"text\":\"Ready\",\"revision\":4,\"flags\":0,\"languageId\":9,\"stamp\":\"0000000000000000\"},"
                  "{\"text\":\"Ready\",\"revision\":4,"),
              std::string::npos);
}

TEST(LangTool, PackBuildListExtract) {
    std::string a = Temp("a.lng"), b = Temp("b.lng"), pack = Temp("p.pack"), x = Temp("x.lng");
    ASSERT_EQ(Tool("lang compile '" + Data("sample.en.vlang") + "' '" + a + "'").Status, 0);
    ASSERT_EQ(Tool("lang compile '" + Data("sample.en.vlang") + "' '" + b + "' --format 4 --lzk").Status, 0);
    ASSERT_EQ(Tool("pack build '" + pack + "' '" + a + "' '" + b + "'").Status, 0);

    // Blocks are LZK streams: a plain file is compressed, a compressed one kept as it is.
    rtl::TMemoryStream plain(Bytes(a)), packed;
    langdata::CompressLZKStream(plain, packed);
    TRun list = Tool("pack list '" + pack + "'");
    ASSERT_EQ(list.Status, 0);
    EXPECT_EQ(list.Out, "[{\"languageId\":9,\"englishName\":\"English\",\"nativeName\":\"English\",\"blockSize\":" +
                            std::to_string(packed.Size()) +
                            "},{\"languageId\":9,\"englishName\":\"English\",\"nativeName\":\"English\",\"blockSize\":" +
                            std::to_string(Bytes(b).size()) + "}]\n");
    langdata::TLangPackLayout layout = langdata::ReadLangPackLayout(Bytes(pack));
    EXPECT_EQ(layout.PackVersion, 4);
    EXPECT_EQ(layout.ProjectVersion, 53u);

    ASSERT_EQ(Tool("pack extract '" + pack + "' 0 '" + x + "'").Status, 0);
    EXPECT_EQ(Bytes(x), Bytes(a));
    EXPECT_EQ(Tool("pack extract '" + pack + "' 12 '" + x + "'").Status, 2);
    EXPECT_EQ(Tool("pack list '" + a + "'").Status, 2);
}

TEST(LangTool, BadCommandLinesAndFiles) {
    std::string out = Temp("o.lng");
    EXPECT_EQ(Tool("lang compile '" + Data("sample.en.vlang") + "' '" + out + "' --format 8").Status, 2);
    EXPECT_EQ(Tool("lang compile '" + Data("sample.en.vlang") + "' '" + out + "' --format 0").Status, 2);
    EXPECT_EQ(Tool("lang compile '" + Data("missing.vlang") + "' '" + out + "'").Status, 2);
    EXPECT_EQ(Tool("lang dump '" + Data("sample.en.vlang") + "'").Status, 2);  // not a language file
    EXPECT_EQ(Tool("lang frob").Status, 2);
}
