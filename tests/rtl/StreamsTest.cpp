#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/rtl/Exception.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

using namespace rtl;

TEST(MemoryStream, ReadWriteSeekAndSize) {
    TMemoryStream s;
    s.WriteU32(0x04030201);
    s.WriteU16(0xBEEF);
    EXPECT_EQ(s.Size(), 6);
    EXPECT_EQ(s.Position(), 6);
    s.SetPosition(0);
    EXPECT_EQ(s.ReadU8(), 1);
    EXPECT_EQ(s.ReadU8(), 2);
    EXPECT_EQ(s.ReadU16(), 0x0403);
    EXPECT_EQ(s.ReadU16(), 0xBEEF);
    EXPECT_EQ(s.Seek(-3, TSeekOrigin::soEnd), 3);
    EXPECT_EQ(s.Seek(-100, TSeekOrigin::soCurrent), 0);  // clamps at the start
    // Writing past the end fills the gap with zeros.
    s.Seek(10, TSeekOrigin::soBeginning);
    s.WriteU8(7);
    EXPECT_EQ(s.Size(), 11);
    EXPECT_EQ(s.Bytes()[8], 0);
    s.SetSize(2);
    EXPECT_EQ(s.Position(), 2);
}

TEST(MemoryStream, WriteOverTheEndReplacesThenAppends) {
    TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3, 4});
    s.SetPosition(2);
    const std::uint8_t more[] = {7, 8, 9, 10};
    s.WriteBuffer(more, 4);
    EXPECT_EQ(s.Bytes(), (std::vector<std::uint8_t>{1, 2, 7, 8, 9, 10}));
    EXPECT_EQ(s.Position(), 6);
    s.SetPosition(1);
    s.WriteU8(5);  // inside: nothing grows
    EXPECT_EQ(s.Bytes(), (std::vector<std::uint8_t>{1, 5, 7, 8, 9, 10}));
    s.Seek(0, TSeekOrigin::soEnd);
    for (int i = 0; i < 1000; ++i) s.WriteBuffer(more, 4);  // growing append after append
    EXPECT_EQ(s.Size(), 6 + 4000);
    EXPECT_EQ(s.Bytes()[6 + 3999], 10);
}

TEST(MemoryStream, ShortTransfersRaise) {
    TMemoryStream s(std::vector<std::uint8_t>{1, 2, 3});
    std::uint8_t buffer[8];
    EXPECT_EQ(s.Read(buffer, 8), 3);
    s.SetPosition(1);
    EXPECT_THROW(s.ReadBuffer(buffer, 3), EReadError);
    s.SetPosition(1);
    EXPECT_THROW(s.ReadU32(), EReadError);
    EXPECT_THROW(s.ReadBytes(1000000000000LL), EReadError);  // no allocation for a hostile count
    EXPECT_THROW(s.ReadBytes(-1), EReadError);
    try {
        s.SetPosition(3);
        s.ReadU8();
        FAIL();
    } catch (const EReadError& e) {
        EXPECT_STREQ(e.what(), "Stream read error");
    }
}

TEST(ReadOnlyStream, RefusesWrites) {
    const std::uint8_t bytes[] = {9, 8, 7};
    TReadOnlyStream s(bytes);
    EXPECT_EQ(s.ReadU8(), 9);
    EXPECT_THROW(s.WriteU8(1), EWriteError);
    EXPECT_THROW(s.SetSize(1), EWriteError);
}

TEST(Streams, CopyFromWholeAndPart) {
    TMemoryStream src(std::vector<std::uint8_t>{1, 2, 3, 4, 5});
    src.SetPosition(3);
    TMemoryStream whole;
    EXPECT_EQ(whole.CopyFrom(src, 0), 5);  // 0 = everything, from the start
    EXPECT_EQ(whole.Bytes(), src.Bytes());
    src.SetPosition(1);
    TMemoryStream part;
    part.CopyFrom(src, 2);
    EXPECT_EQ(part.Bytes(), (std::vector<std::uint8_t>{2, 3}));
    src.SetPosition(4);
    EXPECT_THROW(part.CopyFrom(src, 2), EReadError);
}

class FileStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vlmrk-rtl-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::filesystem::path dir_;
};

TEST_F(FileStreamTest, CreateWriteReopenRead) {
    {
        TFileStream f(Path("a.bin"), TFileMode::fmCreate);
        f.WriteU32(42);
        f.SetSize(2);
        EXPECT_EQ(f.Size(), 2);
    }
    TFileStream f(Path("a.bin"), TFileMode::fmOpenRead);
    EXPECT_EQ(f.ReadU16(), 42);
    EXPECT_THROW(f.ReadU8(), EReadError);
}

TEST_F(FileStreamTest, OpenErrorsNameTheFile) {
    try {
        TFileStream f(Path("missing.bin"), TFileMode::fmOpenRead);
        FAIL();
    } catch (const EFOpenError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot open file \"" + Path("missing.bin") + "\"."), std::string::npos);
    }
    EXPECT_THROW(TFileStream(Path("no/such/dir.bin"), TFileMode::fmCreate), EFCreateError);
    EXPECT_THROW(TFileStream(dir_.string(), TFileMode::fmOpenRead), EFOpenError);  // a folder is no file
}

TEST_F(FileStreamTest, AtomicSaveReplacesOrKeepsTheOldFile) {
    std::vector<std::uint8_t> first{1, 2, 3}, second{4, 5};
    SaveFileAtomically(Path("t.bin"), first);
    SaveFileAtomically(Path("t.bin"), second);
    TMemoryStream m;
    m.LoadFromFile(Path("t.bin"));
    EXPECT_EQ(m.Bytes(), second);
    // A target that is a folder cannot be replaced: the error leaves no temporary file behind.
    std::filesystem::create_directories(dir_ / "sub");
    EXPECT_THROW(SaveFileAtomically(Path("sub"), first), EFCreateError);
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir_)) files += e.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST(FileNames, ExtensionsAppendWhereThereIsNone) {
    EXPECT_EQ(ChangeFileExt("/opt/veil.d/Vlmrk", ".ES"), "/opt/veil.d/Vlmrk.ES");
    EXPECT_EQ(ChangeFileExt("/opt/Vlmrk.ES.lng", ".x"), "/opt/Vlmrk.ES.x");
    EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
    EXPECT_EQ(ExtractFileName("/a/b/c.lng"), "c.lng");
    EXPECT_EQ(ExtractFilePath("/a/b/c.lng"), "/a/b/");
    EXPECT_EQ(ExtractFileDir("/a/b/c.lng"), "/a/b");
    EXPECT_EQ(ExpandFileName("/a/./b/../c"), "/a/c");
    EXPECT_EQ(ExpandFileName("/../.."), "/");
}
