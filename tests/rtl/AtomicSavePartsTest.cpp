#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/rtl/Exception.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Streams.h"

TEST(AtomicSave, PartsAreWrittenInOrderWhateverTheirNumberAndSize) {
    auto dir = std::filesystem::temp_directory_path() / ("vlmrk-parts-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.bin").string();

    // More parts than one gathered write takes, some of them empty.
    std::vector<std::vector<std::uint8_t>> chunks;
    std::vector<std::uint8_t> expected;
    for (int i = 0; i < 300; ++i) {
        chunks.emplace_back(static_cast<std::size_t>(i % 7 == 0 ? 0 : 1 + (i * 37) % 5000), static_cast<std::uint8_t>(i));
        expected.insert(expected.end(), chunks.back().begin(), chunks.back().end());
    }
    std::vector<std::span<const std::uint8_t>> parts(chunks.begin(), chunks.end());
    rtl::SaveFileAtomically(path, parts);
    rtl::TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Bytes(), expected);

    rtl::SaveFileAtomically(path, std::span<const std::span<const std::uint8_t>>());
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
    EXPECT_THROW(rtl::SaveFileAtomically((dir / "no" / "x").string(), parts), rtl::EFCreateError);
    std::filesystem::remove_all(dir);
}

TEST(AtomicSave, ACheckSeesTheWholeFileAndARaisingCheckKeepsTheOldOne) {
    auto dir = std::filesystem::temp_directory_path() / ("vlmrk-check-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "out.bin").string();
    const std::vector<std::uint8_t> old = {1, 2, 3}, fresh = {4, 5, 6, 7};
    rtl::SaveFileAtomically(path, old);
    const std::span<const std::uint8_t> parts[] = {fresh};

    std::string seen;
    EXPECT_THROW(rtl::SaveFileAtomically(path, parts, [&](const rtl::AnsiString& written) {
        seen = written;
        rtl::TMemoryStream s;
        s.LoadFromFile(written);
        EXPECT_EQ(s.Bytes(), fresh);  // complete before the check runs
        EXPECT_NE(written, path);
        throw rtl::Exception("refused");
    }), rtl::Exception);
    EXPECT_FALSE(std::filesystem::exists(seen));  // the temporary file is gone
    rtl::TMemoryStream kept;
    kept.LoadFromFile(path);
    EXPECT_EQ(kept.Bytes(), old);

    rtl::SaveFileAtomically(path, parts, [](const rtl::AnsiString&) {});
    rtl::TMemoryStream replaced;
    replaced.LoadFromFile(path);
    EXPECT_EQ(replaced.Bytes(), fresh);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);
    std::filesystem::remove_all(dir);
}

TEST(AtomicSave, AnUnflushedSaveIsCompleteAtOnceAndItsLaterFlushToleratesAGoneFile) {
    auto dir = std::filesystem::temp_directory_path() / ("vlmrk-unflushed-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "module").string();
    const std::vector<std::uint8_t> old = {1, 2, 3}, fresh(70000, 0x5A);
    rtl::SaveFileAtomically(path, old);
    rtl::SaveFileAtomicallyUnflushed(path, fresh);
    rtl::TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Bytes(), fresh);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1);  // no temporary left
    EXPECT_NO_THROW(rtl::FlushFileToDisk(path));
    std::filesystem::remove(path);
    EXPECT_NO_THROW(rtl::FlushFileToDisk(path));  // replaced or removed since: nothing to flush
    EXPECT_THROW(rtl::SaveFileAtomicallyUnflushed((dir / "no" / "x").string(), fresh), rtl::EFCreateError);
    std::filesystem::remove_all(dir);
}
