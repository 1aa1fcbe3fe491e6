// The bmp commands of vlmrk-tool on the command line. What they answer for each kind of file is
// checked from data (tests/readdata/BmpReadTest.cpp); here: usage, refusals and what is written.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "platform/bitmap/Bitmap.h"
#include "tests/support/TempFolder.h"
#include "tests/tool/ToolRunner.h"

namespace {

using tooltest::RunTool;

std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class BmpTool : public ::testing::Test {
protected:
    std::string Q(const std::string& name) const { return "'" + dir_.Path(name) + "'"; }
    void Bitmap(const std::string& name, int width, int height, int bits, bool topDown) const {
        bitmap::TBitmap bmp(width, height, bits);
        bmp.FileInfo().TopDown = topDown;
        bmp.SaveToFile(dir_.Path(name));
    }
    testutil::TTempFolder dir_{"vlmrk-bmptool"};
};

}  // namespace

TEST_F(BmpTool, WrongCommandLinesExitWithTwoAndTheUsage) {
    for (const std::string args : {"bmp", "bmp info", "bmp info a b", "bmp png a", "bmp png a b c", "bmp show a",
                                   "bmp info --json a"}) {
        const auto run = RunTool(args, dir_.Path("err.txt"));
        EXPECT_EQ(run.Status, 2) << args;
        EXPECT_NE(run.Err.find("Usage: vlmrk-tool bmp info FILE | bmp png FILE OUT"), std::string::npos) << args;
        EXPECT_TRUE(run.Out.empty()) << args;
    }
    const auto help = RunTool("bmp --help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("bmp png FILE OUT"), std::string::npos);
    EXPECT_NE(RunTool("--help").Out.find("bmp info FILE"), std::string::npos);
}

TEST_F(BmpTool, InfoNamesTheFileFormatAndRowOrder) {
    Bitmap("-top.bmp", 7, 2, 8, true);
    // "--" lets a file name start with a dash.
    const auto run = RunTool("bmp info -- " + Q("-top.bmp"));
    ASSERT_EQ(run.Status, 0);
    EXPECT_EQ(run.Out,
              "{\"header\":\"info\",\"headerSize\":40,\"width\":7,\"height\":2,\"bitsPerPixel\":8,\"compression\":\"rgb\","
              "\"masks\":null,\"rowOrder\":\"top-down\",\"paletteSize\":256,\"profileSize\":0}\n");
}

TEST_F(BmpTool, AMissingFileIsAnErrorNamingIt) {
    const auto run = RunTool("bmp info " + Q("none.bmp"), dir_.Path("err.txt"));
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("none.bmp"), std::string::npos) << run.Err;
}

TEST_F(BmpTool, PngOfARefusedFileLeavesAnExistingOutputAlone) {
    std::ofstream(dir_.Path("bad.bmp"), std::ios::binary) << "BM not really a bitmap";
    std::ofstream(dir_.Path("out.png"), std::ios::binary) << "old";
    const auto run = RunTool("bmp png " + Q("bad.bmp") + " " + Q("out.png"), dir_.Path("err.txt"));
    EXPECT_EQ(run.Status, 2);
    EXPECT_EQ(run.Err, "vlmrk-tool: Bitmap image is not valid [bmp.file.short]\n");
    EXPECT_EQ(Read(dir_.Path("out.png")), "old");
}

TEST_F(BmpTool, PngReplacesTheOutputWithAPicture) {
    Bitmap("in.bmp", 3, 3, 24, false);
    std::ofstream(dir_.Path("out.png"), std::ios::binary) << "old";
    ASSERT_EQ(RunTool("bmp png " + Q("in.bmp") + " " + Q("out.png")).Status, 0);
    EXPECT_EQ(Read(dir_.Path("out.png")).substr(0, 8), "\x89PNG\r\n\x1a\n");
    const auto piped = RunTool("bmp png " + Q("in.bmp") + " -");
    EXPECT_EQ(piped.Status, 0);
    EXPECT_EQ(piped.Out, Read(dir_.Path("out.png")));
}
