// The stego commands of vlmrk-tool, run through the shell as a script runs them.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/bitmap/Bitmap.h"
#include "tests/tool/ToolRunner.h"

namespace {

namespace fs = std::filesystem;

using tooltest::TRun;

// Runs `vlmrk-tool <args>` through /bin/sh (so redirections work) and collects standard output.
TRun Tool(const std::string& args) { return tooltest::RunTool(args); }

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class StegoTool : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vlmrk_stegotool_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        Image("in.bmp", 64, 32, 24);
        WriteFile(Path("text.txt"), "Hello, hidden world");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Q(const std::string& name) const { return "'" + Path(name) + "'"; }
    void Image(const std::string& name, int width, int height, int bits) const {
        bitmap::TBitmap bmp(width, height, bits);
        for (auto& byte : bmp.Bits()) byte = 0x5A;
        bmp.SaveToFile(Path(name));
    }

    fs::path dir_;
};

TEST_F(StegoTool, CapacityAsNumberAndAsJson) {
    EXPECT_EQ(Tool("stego capacity " + Q("in.bmp")).Out, "256\n");
    const TRun json = Tool("stego capacity " + Q("in.bmp") + " --json");
    EXPECT_EQ(json.Status, 0);
    EXPECT_EQ(json.Out, "{\"capacity\":256,\"width\":64,\"height\":32,\"bitsPerPixel\":24}\n");
}

TEST_F(StegoTool, CapacityRefusesFormatsTheCodecCannotCarry) {
    Image("palette.bmp", 16, 16, 8);
    Image("rgb555.bmp", 16, 16, 16);
    bitmap::TBitmap masked(16, 16, 32);
    masked.SetMasks({0x00FF0000, 0x0000FF00, 0x000000FF, 0});
    masked.SaveToFile(Path("masked.bmp"));
    for (const char* name : {"palette.bmp", "rgb555.bmp", "masked.bmp"}) {
        const TRun run = Tool("stego capacity --json " + Q(name));
        EXPECT_EQ(run.Status, 2) << name;
        EXPECT_EQ(run.Out, "") << name;
    }
    bitmap::TBitmap rgb565(16, 16, 16);
    rgb565.SetMasks({0xF800, 0x07E0, 0x001F, 0});
    rgb565.SaveToFile(Path("rgb565.bmp"));
    EXPECT_EQ(Tool("stego capacity " + Q("rgb565.bmp")).Out, "32\n");
}

TEST_F(StegoTool, HideKeepsAnExistingOutputUnlessForced) {
    WriteFile(Path("out.bmp"), "precious");
    EXPECT_EQ(Tool("stego hide " + Q("in.bmp") + " " + Q("out.bmp") + " " + Q("text.txt")).Status, 2);
    EXPECT_EQ(ReadFile(Path("out.bmp")), "precious");
    // --force after the positionals, as GNU tools take it.
    EXPECT_EQ(Tool("stego hide " + Q("in.bmp") + " " + Q("out.bmp") + " " + Q("text.txt") + " --force").Status, 0);
    const TRun reveal = Tool("stego reveal " + Q("out.bmp"));
    EXPECT_EQ(reveal.Status, 0);
    EXPECT_EQ(reveal.Out, "Hello, hidden world");
}

TEST_F(StegoTool, HideReadsTheImageFromStandardInputAndWritesItToStandardOutput) {
    EXPECT_EQ(Tool("stego hide - - " + Q("text.txt") + " < " + Q("in.bmp") + " > " + Q("piped.bmp")).Status, 0);
    EXPECT_EQ(ReadFile(Path("piped.bmp")).size(), ReadFile(Path("in.bmp")).size());
    EXPECT_EQ(Tool("stego reveal " + Q("piped.bmp")).Out, "Hello, hidden world");
    // Standard output is never "an existing file", and the text may come from standard input.
    const TRun toStdout = Tool("stego hide " + Q("in.bmp") + " - < " + Q("text.txt"));
    EXPECT_EQ(toStdout.Status, 0);
    EXPECT_EQ(toStdout.Out.substr(0, 2), "BM");
}

TEST_F(StegoTool, ImageAndTextCannotBothComeFromStandardInput) {
    EXPECT_EQ(Tool("stego hide - " + Q("x.bmp") + " < " + Q("in.bmp")).Status, 2);
    EXPECT_FALSE(fs::exists(Path("x.bmp")));
}

TEST_F(StegoTool, DoubleDashLetsAFileNameStartWithADash) {
    fs::copy_file(Path("in.bmp"), Path("-dash.bmp"));
    EXPECT_EQ(Tool("stego capacity " + Q("-dash.bmp")).Status, 0);  // a full path starts with "/"
    const std::string inDir = "cd '" + dir_.string() + "' && '" + VLMRK_TOOL + "' ";
    EXPECT_NE(std::system((inDir + "stego capacity -dash.bmp >/dev/null 2>&1").c_str()), 0);
    EXPECT_EQ(std::system((inDir + "stego capacity -- -dash.bmp >/dev/null 2>&1").c_str()), 0);
}

TEST_F(StegoTool, UnknownOptionsAndWrongCountsExitWithTwo) {
    EXPECT_EQ(Tool("stego hide --bogus " + Q("in.bmp") + " " + Q("o.bmp")).Status, 2);
    EXPECT_EQ(Tool("stego reveal").Status, 2);
    EXPECT_EQ(Tool("stego capacity " + Q("in.bmp") + " extra").Status, 2);
    EXPECT_EQ(Tool("lzk compress --fast a b").Status, 2);
    EXPECT_EQ(Tool("--bogus").Status, 2);
    EXPECT_FALSE(fs::exists(Path("o.bmp")));
}

// A refusal of the file's bytes is printed with the code of the check that made it; other errors
// (a file that cannot be opened) have none.
TEST_F(StegoTool, ErrorsShowTheCodeOfTheCheckThatRefusedTheFile) {
    std::string bytes = ReadFile(Path("in.bmp"));
    bytes[0] = 'X';
    WriteFile(Path("bad.bmp"), bytes);
    bytes = ReadFile(Path("in.bmp"));
    bytes.resize(100);
    WriteFile(Path("cut.bmp"), bytes);
    const std::pair<std::string, std::string> cases[] = {
        {"stego capacity " + Q("bad.bmp"), "vlmrk-tool: Bitmap image is not valid [bmp.header.magic]\n"},
        {"stego reveal " + Q("cut.bmp"), "vlmrk-tool: Bitmap image is not valid [bmp.pixels.short]\n"},
        {"stego hide " + Q("bad.bmp") + " " + Q("o.bmp") + " " + Q("text.txt"),
         "vlmrk-tool: Bitmap image is not valid [bmp.header.magic]\n"},
    };
    for (const auto& [args, expected] : cases) {
        const TRun run = tooltest::RunTool(args, Path("err.txt"));
        EXPECT_EQ(run.Status, 2) << args;
        EXPECT_EQ(run.Err, expected) << args;
    }
    const TRun missing = tooltest::RunTool("stego capacity " + Q("missing.bmp"), Path("err.txt"));
    EXPECT_EQ(missing.Status, 2);
    EXPECT_EQ(missing.Err.rfind("vlmrk-tool: ", 0), 0u) << missing.Err;
    EXPECT_EQ(missing.Err.find(" ["), std::string::npos) << missing.Err;
}

TEST_F(StegoTool, RevealWithoutHiddenTextExitsWithOne) {
    EXPECT_EQ(Tool("stego reveal " + Q("in.bmp")).Status, 1);
}

TEST(ToolCommandLine, VersionAndHelpExitWithZero) {
    const TRun version = Tool("--version");
    EXPECT_EQ(version.Status, 0);
    EXPECT_NE(version.Out.find("vlmrk-tool (Veilmark) 1.0"), std::string::npos);
    const TRun help = Tool("--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("Exit status"), std::string::npos);
    const TRun groupHelp = Tool("stego hide --help");
    EXPECT_EQ(groupHelp.Status, 0);
    EXPECT_NE(groupHelp.Out.find("--force"), std::string::npos);
}

}  // namespace
