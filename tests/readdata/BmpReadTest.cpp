// Bitmap files read from tests/data/read/bmp: `vlmrk-tool bmp info` against NAME.expected.json,
// and for every file the program accepts, `vlmrk-tool bmp png` against the reference picture
// NAME.png, pixel by pixel. The files and pictures are written byte by byte by make-files.py in
// that folder, not by our own writer.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#ifdef VLMRK_HAS_UI
#include "platform/bitmap/Bitmap.h"
#include "platform/ui/Graphics.h"
#endif

#include "tests/support/ReadData.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "bmp";

std::vector<std::string> Bitmaps() { return testutil::DataFiles(kFolder, ".bmp"); }

fs::path ReferenceOf(const std::string& name) { return kFolder / (fs::path(name).stem().string() + ".png"); }

std::string Hex(QRgb pixel) {
    char text[12];
    std::snprintf(text, sizeof text, "#%08x", static_cast<unsigned>(pixel));
    return text;
}

// Every pixel of the two pictures equal, alpha included; the first difference is reported.
void ExpectSamePixels(const QImage& actual, const QImage& expected, const std::string& name) {
    ASSERT_FALSE(actual.isNull()) << name;
    ASSERT_FALSE(expected.isNull()) << name;
    ASSERT_EQ(actual.size(), expected.size()) << name;
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < e.height(); ++y)
        for (int x = 0; x < e.width(); ++x)
            ASSERT_EQ(Hex(a.pixel(x, y)), Hex(e.pixel(x, y))) << name << " at x=" << x << " y=" << y;
}

class BitmapFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(BitmapFiles, InfoIsAsExpected) {
    const std::string name = GetParam();
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "bmp info '" + name + "'");
    EXPECT_EQ(testutil::AnswerJson(answer), testutil::ReadExpectation(kFolder, name));
}

TEST_P(BitmapFiles, PictureIsTheReferenceOrTheFileIsRefused) {
    const std::string name = GetParam();
    const testutil::TTempFolder dir("vlmrk-readbmp");
    const std::string out = dir.Path("out.png");
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "bmp png '" + name + "' '" + out + "'");
    const std::string expectation = testutil::ReadExpectation(kFolder, name);
    if (testutil::IsErrorExpectation(expectation)) {
        // Refused with the same message as "bmp info", and nothing written.
        EXPECT_EQ(testutil::AnswerJson(answer), expectation);
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(ReferenceOf(name))) << "a refused file has no reference picture";
        return;
    }
    ASSERT_EQ(answer.Status, 0) << answer.Output;
    ASSERT_TRUE(fs::exists(ReferenceOf(name))) << "an accepted file needs a reference picture";
    ExpectSamePixels(QImage(QString::fromStdString(out)), QImage(QString::fromStdString(ReferenceOf(name).string())), name);
}

#ifdef VLMRK_HAS_UI
// The tool writes its PNG without Qt; its pixels are those the program's image control draws.
TEST_P(BitmapFiles, PictureIsWhatTheImageControlDraws) {
    const std::string name = GetParam();
    if (testutil::IsErrorExpectation(testutil::ReadExpectation(kFolder, name))) return;
    const testutil::TTempFolder dir("vlmrk-readbmp-drawn");
    const std::string out = dir.Path("out.png");
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "bmp png '" + name + "' '" + out + "'");
    ASSERT_EQ(answer.Status, 0) << answer.Output;
    bitmap::TBitmap bmp;
    bmp.LoadFromFile((kFolder / name).string());
    ExpectSamePixels(QImage(QString::fromStdString(out)), ui::BitmapToImage(bmp), name);
}
#endif

INSTANTIATE_TEST_SUITE_P(Read, BitmapFiles, ::testing::ValuesIn(Bitmaps()), VLMRK_READ_DATA_NAMES);

TEST(BitmapFiles, EveryFileHasItsExpectation) {
    ASSERT_FALSE(Bitmaps().empty());
    for (const auto& name : Bitmaps()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}

TEST(BitmapFiles, PngGoesToStandardOutputWithADash) {
    const testutil::TTempFolder dir("vlmrk-readbmp-stdout");
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "bmp png rle8.bmp - > '" + dir.Path("out.png") + "'");
    ASSERT_EQ(answer.Status, 0) << answer.Output;
    ExpectSamePixels(QImage(QString::fromStdString(dir.Path("out.png"))),
                     QImage(QString::fromStdString(ReferenceOf("rle8.bmp").string())), "rle8.bmp");
}
