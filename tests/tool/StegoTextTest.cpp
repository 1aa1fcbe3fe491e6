// vlmrk-tool stego as a script uses it: text in and out as UTF-8, hidden in the system code page
// (from the locale environment) or the one --codepage names, bytes as they are with --raw, and a
// character the code page cannot hold refused before anything is written.

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "platform/bitmap/Bitmap.h"
#include "tests/tool/ToolRunner.h"

namespace {

namespace fs = std::filesystem;

using tooltest::TRun;

class StegoText : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vlmrk_stegotool_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        bitmap::TBitmap(64, 48, 24).SaveToFile(Path("cover.bmp"));
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    // Runs the tool in the given locale environment.
    TRun Tool(const std::string& locale, const std::string& args) const {
        return tooltest::RunTool(args, Path("stderr.txt"), "env -u LC_ALL -u LC_CTYPE LANG=" + locale);
    }
    std::string Hide(const std::string& locale, const std::string& text, const std::string& options = "") {
        Write("text.txt", text);
        fs::remove(Path("out.bmp"));
        const TRun run = Tool(locale, "stego hide '" + Path("cover.bmp") + "' '" + Path("out.bmp") + "' '" + Path("text.txt") + "' " + options);
        EXPECT_EQ(run.Status, 0) << run.Err;
        return run.Err;
    }
    TRun Reveal(const std::string& locale, const std::string& options = "") const {
        return Tool(locale, "stego reveal '" + Path("out.bmp") + "' " + options);
    }

    fs::path dir_;
};

TEST_F(StegoText, Utf8InAndOutHiddenInTheSystemCodePage) {
    const std::string german = "Gr\u00fc\u00dfe \u00fcber \u20ac\nzweite Zeile";
    Hide("de_DE.UTF-8", german);
    EXPECT_EQ(Reveal("de_DE.UTF-8").Out, "Gr\u00fc\u00dfe \u00fcber \u20ac\nzweite Zeile");
    EXPECT_EQ(Reveal("de_DE.UTF-8", "--raw").Out, "Gr\xFC\xDF" "e \xFC" "ber \x80\nzweite Zeile");

    const std::string russian = "\u041f\u0440\u0438\u0432\u0435\u0442, \u043c\u0438\u0440";
    Hide("ru_RU.UTF-8", russian);
    EXPECT_EQ(Reveal("ru_RU.UTF-8").Out, russian);
    EXPECT_EQ(Reveal("ru_RU.UTF-8", "--raw").Out, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0");
    // Read on a Western system the same bytes are other letters: the code page travels with the
    // system, as in the program.
    EXPECT_EQ(Reveal("C", "--codepage 1251").Out, russian);
}

TEST_F(StegoText, CodePageChosenExplicitlyAndRawBytes) {
    const std::string hebrew = "\u05e9\u05dc\u05d5\u05dd";
    Hide("C", hebrew, "--codepage 1255");
    EXPECT_EQ(Reveal("C", "--codepage 1255").Out, hebrew);
    EXPECT_EQ(Reveal("C", "--raw").Out, "\xF9\xEC\xE5\xED");

    // Raw bytes go in and come out unchanged, whatever they are.
    const std::string bytes = "x\x01\x7F\x80\xFF plain";  // (ends are trimmed as Encrypt does)
    Hide("C", bytes, "--raw");
    EXPECT_EQ(Reveal("C", "--raw").Out, bytes);

    const TRun wrong = Tool("C", "stego reveal '" + Path("out.bmp") + "' --codepage 65001");
    EXPECT_EQ(wrong.Status, 2);
    EXPECT_NE(wrong.Err.find("--codepage"), std::string::npos) << wrong.Err;
}

TEST_F(StegoText, ACharacterTheCodePageCannotHoldIsRefusedBeforeAnythingIsWritten) {
    Write("text.txt", "ok \u00e9 then \u0416");
    const TRun run = Tool("en_US.UTF-8", "stego hide '" + Path("cover.bmp") + "' '" + Path("out.bmp") + "' '" + Path("text.txt") + "'");
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("character 11"), std::string::npos) << run.Err;
    EXPECT_NE(run.Err.find("U+0416"), std::string::npos) << run.Err;
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
    // Malformed UTF-8 is no text: refused too.
    Write("text.txt", "abc\xC3");
    EXPECT_EQ(Tool("C", "stego hide '" + Path("cover.bmp") + "' '" + Path("out.bmp") + "' '" + Path("text.txt") + "'").Status, 2);
    EXPECT_FALSE(fs::exists(Path("out.bmp")));
}

}  // namespace
