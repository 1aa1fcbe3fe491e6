// Resource images read from files: every NAME.dll under tests/data/read/pe is dumped with
// `vlmrk-tool module dump` and compared with NAME.expected.json beside it, which holds the dump,
// or {"error":"MESSAGE"} for an image the reader refuses. See tests/data/read/pe/README.md.

#include <gtest/gtest.h>

#include "tests/support/ReadData.h"

#ifdef VLMRK_TOOL

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "pe";

std::vector<std::string> Images() { return testutil::DataFiles(kFolder, ".dll"); }

class ResourceImageFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ResourceImageFiles, DumpIsAsExpected) {
    const std::string name = GetParam();
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "module dump '" + name + "'");
    EXPECT_EQ(testutil::AnswerJson(answer), testutil::ReadExpectation(kFolder, name));
}

INSTANTIATE_TEST_SUITE_P(Read, ResourceImageFiles, ::testing::ValuesIn(Images()), VLMRK_READ_DATA_NAMES);

TEST(ResourceImageFiles, EveryImageHasItsExpectation) {
    ASSERT_FALSE(Images().empty());
    for (const auto& name : Images()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}

#endif
