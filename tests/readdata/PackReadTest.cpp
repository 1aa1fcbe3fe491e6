// Language packs read from tests/data/read/pack: `vlmrk-tool pack list` against
// NAME.expected.json. make-files.py in that folder writes the packs field by field, with the
// hand-written language files of ../lang in their blocks.

#include <gtest/gtest.h>

#include "tests/support/ReadData.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "pack";

std::vector<std::string> Packs() { return testutil::DataFiles(kFolder, ".pack"); }

class LanguagePacks : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(LanguagePacks, DirectoryIsAsExpected) {
    const std::string name = GetParam();
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "pack list '" + name + "'");
    EXPECT_EQ(testutil::AnswerJson(answer), testutil::ReadExpectation(kFolder, name));
}

INSTANTIATE_TEST_SUITE_P(Read, LanguagePacks, ::testing::ValuesIn(Packs()), VLMRK_READ_DATA_NAMES);

TEST(LanguagePacks, EveryFileHasItsExpectation) {
    ASSERT_FALSE(Packs().empty());
    for (const auto& name : Packs()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}

// A block gives back the language file it holds, stored plain or LZK-compressed.
TEST(LanguagePacks, BlocksGiveBackTheirLanguageFiles) {
    const testutil::TTempFolder dir("vlmrk-readpack");
    const auto lang = [](const std::string& name) { return testutil::TTempFolder::Get((kFolder / ".." / "lang" / name).string()); };
    for (const std::string pack : {"v1-two-languages.pack", "v4-two-languages.pack", "built.pack"}) {
        for (const auto& [id, file] : {std::pair{"9", "v7-native-unnumbered.lng"}, std::pair{"10", "v7-sample.lng"}}) {
            const std::string out = dir.Path(std::string(id) + ".lng");
            const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "pack extract '" + pack + "' " + id + " '" + out + "'");
            ASSERT_EQ(answer.Status, 0) << pack << ": " << answer.Output;
            EXPECT_EQ(testutil::TTempFolder::Get(out), lang(file)) << pack << " language " << id;
        }
    }
}
