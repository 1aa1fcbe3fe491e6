// vlmrk-tool stego with LSB matching and passphrases: where the passphrase comes from, and the
// exit status of each outcome.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "codec/PassphraseCrypto.h"
#include "codec/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "tests/tool/ToolRunner.h"

namespace {

using tooltest::TRun;

class StegoToolPassphrase : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vlmrk-stegotool-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        bitmap::TBitmap cover(80, 60, 24);
        for (auto& b : cover.Bits()) b = 0x80;
        cover.SaveToFile(Path("cover.bmp"));
        Write("text.txt", "the hidden words\n");
        ::unsetenv("VEILMARK_PASSPHRASE");
    }
    void TearDown() override {
        ::unsetenv("VEILMARK_PASSPHRASE");
        std::filesystem::remove_all(dir_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    // Runs the tool (arguments quoted for the shell), collecting both outputs.
    TRun Tool(const std::string& args) const { return tooltest::RunTool(args, Path("stderr.txt")); }

private:
    std::filesystem::path dir_;
};

TEST_F(StegoToolPassphrase, PassphraseFromFileOrEnvironment) {
    Write("pass.txt", "tool phrase\r\n");  // one trailing line break is not part of it
    const std::string cover = Path("cover.bmp"), out = Path("out.bmp");
    TRun hide = Tool("stego hide '" + cover + "' '" + out + "' '" + Path("text.txt") +
                     "' --lsb-matching --passphrase-file '" + Path("pass.txt") + "'");
    ASSERT_EQ(hide.Status, 0) << hide.Err;

    // What an ordinary reader sees: only the encrypted text.
    bitmap::TBitmap bmp;
    bmp.LoadFromFile(out);
    rtl::AnsiString hidden;
    ASSERT_TRUE(codec::DecryptText(bmp, hidden));
    EXPECT_TRUE(codec::IsSealedText(hidden));
    EXPECT_EQ(codec::OpenSealedText(hidden, "tool phrase"), "the hidden words");

    TRun none = Tool("stego reveal '" + out + "'");
    EXPECT_EQ(none.Status, 3);
    EXPECT_TRUE(none.Out.empty());
    EXPECT_NE(none.Err.find("The hidden text is encrypted: a passphrase is needed to read it"), std::string::npos)
        << none.Err;

    TRun byFile = Tool("stego reveal '" + out + "' --passphrase-file '" + Path("pass.txt") + "'");
    EXPECT_EQ(byFile.Status, 0) << byFile.Err;
    EXPECT_EQ(byFile.Out, "the hidden words");

    ::setenv("VEILMARK_PASSPHRASE", "tool phrase", 1);
    TRun byEnv = Tool("stego reveal '" + out + "'");
    EXPECT_EQ(byEnv.Status, 0) << byEnv.Err;
    EXPECT_EQ(byEnv.Out, "the hidden words");

    ::setenv("VEILMARK_PASSPHRASE", "not it", 1);
    TRun wrong = Tool("stego reveal '" + out + "'");
    EXPECT_EQ(wrong.Status, 2);
    EXPECT_TRUE(wrong.Out.empty());
    EXPECT_NE(wrong.Err.find("The passphrase is wrong"), std::string::npos) << wrong.Err;
    // The file wins over the environment.
    EXPECT_EQ(Tool("stego reveal --passphrase-file='" + Path("pass.txt") + "' '" + out + "'").Out, "the hidden words");
}

TEST_F(StegoToolPassphrase, HideEncryptsWithTheEnvironmentsPassphraseAndPlainStaysPlain) {
    const std::string cover = Path("cover.bmp");
    TRun plain = Tool("stego hide '" + cover + "' '" + Path("plain.bmp") + "' '" + Path("text.txt") + "'");
    ASSERT_EQ(plain.Status, 0) << plain.Err;
    EXPECT_EQ(Tool("stego reveal '" + Path("plain.bmp") + "'").Out, "the hidden words");

    ::setenv("VEILMARK_PASSPHRASE", "from env", 1);
    ASSERT_EQ(Tool("stego hide '" + cover + "' '" + Path("env.bmp") + "' '" + Path("text.txt") + "'").Status, 0);
    ::unsetenv("VEILMARK_PASSPHRASE");
    EXPECT_EQ(Tool("stego reveal '" + Path("env.bmp") + "'").Status, 3);
    Write("env.txt", "from env");
    EXPECT_EQ(Tool("stego reveal '" + Path("env.bmp") + "' --passphrase-file '" + Path("env.txt") + "'").Out,
              "the hidden words");
}

TEST_F(StegoToolPassphrase, WrongCommandLines) {
    const std::string cover = Path("cover.bmp");
    EXPECT_EQ(Tool("stego hide '" + cover + "' '" + Path("x.bmp") + "' --passphrase").Status, 2);
    EXPECT_EQ(Tool("stego reveal '" + cover + "' --passphrase-file").Status, 2);
    EXPECT_EQ(Tool("stego reveal '" + cover + "' --passphrase-file '" + Path("missing.txt") + "'").Status, 1)
        << "no hidden text: the passphrase is not needed";
    Write("empty.txt", "\n");
    TRun empty = Tool("stego hide '" + cover + "' '" + Path("x.bmp") + "' '" + Path("text.txt") +
                      "' --passphrase-file '" + Path("empty.txt") + "'");
    EXPECT_EQ(empty.Status, 2);
    EXPECT_NE(empty.Err.find("The passphrase is empty"), std::string::npos) << empty.Err;
    EXPECT_FALSE(std::filesystem::exists(Path("x.bmp")));
    EXPECT_NE(Tool("--help").Out.find("3 when the text is encrypted"), std::string::npos);
}

}  // namespace
