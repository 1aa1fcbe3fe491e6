// LZK streams read from tests/data/read/lzk: `vlmrk-tool lzk decompress` against
// NAME.expected.json ({"size":N,"bytes":"hex"} or the error). make-files.py in that folder writes
// the streams token by token and states the decoded bytes by hand.

#include <gtest/gtest.h>

#include "tests/support/ReadData.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "lzk";

std::vector<std::string> Streams() { return testutil::DataFiles(kFolder, ".lzk"); }

std::string DecodedJson(const std::vector<std::uint8_t>& bytes) {
    std::string hex;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        hex += pair;
    }
    return "{\"size\":" + std::to_string(bytes.size()) + ",\"bytes\":\"" + hex + "\"}";
}

class LzkFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(LzkFiles, DecodedBytesAreAsExpected) {
    const std::string name = GetParam();
    const testutil::TTempFolder dir("vlmrk-readlzk");
    const std::string out = dir.Path("out.bin");
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "lzk decompress '" + name + "' '" + out + "'");
    const std::string actual =
        answer.Status == 0 ? DecodedJson(testutil::TTempFolder::Get(out)) : testutil::ErrorJson(answer.Output);
    EXPECT_EQ(actual, testutil::ReadExpectation(kFolder, name));
    if (answer.Status != 0) {
        EXPECT_FALSE(fs::exists(out)) << "a refused stream leaves no output";
    }
}

INSTANTIATE_TEST_SUITE_P(Read, LzkFiles, ::testing::ValuesIn(Streams()), VLMRK_READ_DATA_NAMES);

TEST(LzkFiles, EveryFileHasItsExpectation) {
    ASSERT_FALSE(Streams().empty());
    for (const auto& name : Streams()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}
