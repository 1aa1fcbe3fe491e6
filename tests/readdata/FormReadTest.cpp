// Form streams read from tests/data/read/form: `vlmrk-tool form decompile` against
// NAME.expected.json ({"source":[lines]} or the error), and for every stream the reader accepts,
// compiling the source again gives the stream's bytes. The streams are written byte by byte by
// make-files.py in that folder, not by our own writer.

#include <gtest/gtest.h>

#include "tests/support/ReadData.h"
#include "tests/support/TempFolder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "form";

std::vector<std::string> Streams() { return testutil::DataFiles(kFolder, ".bin"); }

// The decompiled source as the expectations hold it: one JSON string per line.
std::string SourceJson(const std::string& source) {
    std::string json = "{\"source\":[";
    std::size_t start = 0;
    const std::string text = testutil::TrimmedEnd(source);
    while (true) {
        const std::size_t end = text.find('\n', start);
        json += testutil::JsonString(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        json += ',';
        start = end + 1;
    }
    return json + "]}";
}

class FormStreamFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(FormStreamFiles, SourceIsAsExpected) {
    const std::string name = GetParam();
    const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder, "form decompile '" + name + "'");
    const std::string actual = answer.Status == 0 ? SourceJson(answer.Output) : testutil::ErrorJson(answer.Output);
    EXPECT_EQ(actual, testutil::ReadExpectation(kFolder, name));
}

INSTANTIATE_TEST_SUITE_P(Read, FormStreamFiles, ::testing::ValuesIn(Streams()), VLMRK_READ_DATA_NAMES);

TEST(FormStreamFiles, AcceptedSourcesCompileBackToTheirStreams) {
    const testutil::TTempFolder dir("vlmrk-readform");
    int accepted = 0;
    for (const auto& name : Streams()) {
        if (testutil::IsErrorExpectation(testutil::ReadExpectation(kFolder, name))) continue;
        ++accepted;
        const auto answer = testutil::RunToolIn(VLMRK_TOOL, kFolder,
                                                "form decompile '" + name + "' > '" + dir.Path("form.txt") + "' && '" VLMRK_TOOL
                                                "' form compile '" + dir.Path("form.txt") + "' '" + dir.Path("form.bin") + "'");
        ASSERT_EQ(answer.Status, 0) << name << ": " << answer.Output;
        const auto original = testutil::TTempFolder::Get((kFolder / name).string());
        const auto compiled = testutil::TTempFolder::Get(dir.Path("form.bin"));
        // Bytes after the root object's end are no part of the form.
        ASSERT_FALSE(compiled.empty()) << name;
        ASSERT_LE(compiled.size(), original.size()) << name;
        EXPECT_TRUE(std::equal(compiled.begin(), compiled.end(), original.begin())) << name;
    }
    EXPECT_GT(accepted, 0);
}

TEST(FormStreamFiles, EveryFileHasItsExpectation) {
    ASSERT_FALSE(Streams().empty());
    for (const auto& name : Streams()) EXPECT_TRUE(fs::exists(testutil::ExpectationOf(kFolder, name))) << name;
}
