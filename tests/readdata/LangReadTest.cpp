// Language files read from tests/data/read/lang: `vlmrk-tool lang dump` against
// NAME.expected.json. The files are written field by field by make-files.py in that folder from
// the format page, not by our own writer, so writer and reader cannot share a mistake.

#include <gtest/gtest.h>

#include "tests/support/ReadData.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "lang";

std::vector<std::string> Files() { return testutil::DataFiles(kFolder, ".lng"); }

std::string Dump(const std::string& name) {
    return testutil::AnswerJson(testutil::RunToolIn(VLMRK_TOOL, kFolder, "lang dump '" + name + "'"));
}

class LanguageFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(LanguageFiles, DumpIsAsExpected) {
    const std::string name = GetParam();
    EXPECT_EQ(Dump(name), testutil::ReadExpectation(kFolder, name));
}

INSTANTIATE_TEST_SUITE_P(Read, LanguageFiles, ::testing::ValuesIn(Files()), VLMRK_READ_DATA_NAMES);

TEST(LanguageFiles, EveryFileHasItsExpectation) {
    ASSERT_FALSE(Files().empty());
    for (const auto& name : Files()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}

// The same file plain and LZK-compressed reads the same, but for the flag that says so.
TEST(LanguageFiles, CompressedFileReadsAsThePlainOne) {
    std::string plain = Dump("v7-sample.lng");
    const std::string flag = "\"compressed\":false";
    ASSERT_NE(plain.find(flag), std::string::npos);
    plain.replace(plain.find(flag), flag.size(), "\"compressed\":true");
    EXPECT_EQ(Dump("v7-lzk.lng"), plain);
}
