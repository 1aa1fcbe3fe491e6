// The verified save: the target is replaced only by a file that gives back the hidden text.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "codec/StegoPayload.h"
#include "codec/VerifiedSave.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"

using namespace codec;

namespace {

class VerifiedSave : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vlmrk-verified-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        target = (dir_ / "carrier.bmp").string();
        bitmap::TBitmap old(40, 30, 24);
        old.SaveToFile(target);
        oldBytes = Bytes(target);
        bmp = bitmap::TBitmap(40, 30, 24);
        for (auto& b : bmp.Bits()) b = 0x5A;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    static std::vector<std::uint8_t> Bytes(const std::string& path) {
        rtl::TMemoryStream s;
        s.LoadFromFile(path);
        return s.Bytes();
    }
    std::size_t FilesInFolder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
    }
    std::string ErrorOf(const rtl::TWrittenFileCheck& inject) {
        try {
            SaveHiddenTextVerified(bmp, target, data, inject);
        } catch (const rtl::Exception& e) {
            return e.Message();
        }
        return "no error";
    }

    std::filesystem::path dir_;
    std::string target;
    std::vector<std::uint8_t> oldBytes;
    bitmap::TBitmap bmp;
    AnsiString data;
};

TEST_F(VerifiedSave, AGoodFileReplacesTheTarget) {
    data = EncryptText(bmp, "checked text");
    SaveHiddenTextVerified(bmp, target, data);
    bitmap::TBitmap back;
    back.LoadFromFile(target);
    AnsiString text;
    ASSERT_TRUE(DecryptText(back, text));
    EXPECT_EQ(text, "checked text");
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(VerifiedSave, AFailureBetweenWriteAndCompareLeavesTheOldFileByteIdentical) {
    data = EncryptText(bmp, "checked text");
    const std::string refused = "The written image does not give back the hidden text; " + target + " was left unchanged";

    // One carrier bit of the written file flipped (the top row's first pixel, red byte).
    EXPECT_EQ(ErrorOf([](const AnsiString& written) {
                  std::vector<std::uint8_t> bytes = Bytes(written);
                  const std::size_t rowBytes = 120, topRow = bytes.size() - rowBytes;  // bottom-up
                  bytes[topRow + 2] ^= 1;
                  std::ofstream(written, std::ios::binary | std::ios::trunc)
                      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
              }),
              refused);
    EXPECT_EQ(Bytes(target), oldBytes);
    EXPECT_EQ(FilesInFolder(), 1u);

    // The written file cut short: it no longer reads as a bitmap.
    EXPECT_EQ(ErrorOf([](const AnsiString& written) { std::filesystem::resize_file(written, 100); }), refused);
    EXPECT_EQ(Bytes(target), oldBytes);

    // An error of its own between write and compare goes to the caller unchanged.
    EXPECT_EQ(ErrorOf([](const AnsiString&) { throw rtl::Exception("disk gone"); }), "disk gone");
    EXPECT_EQ(Bytes(target), oldBytes);
    EXPECT_EQ(FilesInFolder(), 1u);
}

TEST_F(VerifiedSave, TheDataMustBeWhatTheImageHolds) {
    // The in-memory picture holds another text than the caller says it stored.
    EncryptText(bmp, "what the picture holds");
    data = EncryptPayload("what the caller meant");
    EXPECT_THROW(SaveHiddenTextVerified(bmp, target, data), rtl::Exception);
    EXPECT_EQ(Bytes(target), oldBytes);
    // A picture that cannot carry text cannot pass either.
    bmp = bitmap::TBitmap(40, 30, 8);
    EXPECT_THROW(SaveHiddenTextVerified(bmp, target, data), rtl::Exception);
    EXPECT_EQ(Bytes(target), oldBytes);
    EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
