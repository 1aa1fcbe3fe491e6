// Resource images read from files: every NAME.dll under tests/data/read/pe is dumped with
// `vlmrk-tool module dump` and compared with NAME.expected.json beside it, which holds the dump,
// or {"error":"MESSAGE","code":"CODE"} for an image the reader refuses: the code names the check
// that refused it. See tests/data/read/pe/README.md.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "tests/modres/TestImages.h"

#ifdef VLMRK_TOOL

namespace {

namespace fs = std::filesystem;

const fs::path kFolder = fs::path(VLMRK_TEST_DATA_DIR) / "read" / "pe";

std::vector<std::string> Images() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(kFolder))
        if (entry.path().extension() == ".dll") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string ReadText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    EXPECT_TRUE(in) << file;
    return Trimmed(std::string(std::istreambuf_iterator<char>(in), {}));
}

// The tool's answer: the dump, or {"error":...,"code":...} with the message and the code it printed
// as "vlmrk-tool: MESSAGE [CODE]" (run in the folder, so messages name the file as given).
std::string Dump(const std::string& name) {
    const std::string command = "cd '" + kFolder.string() + "' && '" VLMRK_TOOL "' module dump '" + name + "' 2>&1";
    int status = 0;
    std::string out = modres_test::RunCommand(command, status);
    out = Trimmed(out);
    if (status == 0) return out;
    const std::string prefix = "vlmrk-tool: ";
    if (out.rfind(prefix, 0) == 0) out.erase(0, prefix.size());
    static const std::regex coded(R"(^([^]*) \[([a-z0-9.-]+)\]$)");
    std::smatch m;
    if (!std::regex_match(out, m, coded)) return "{\"error\":\"" + out + "\"}";
    return "{\"error\":\"" + m[1].str() + "\",\"code\":\"" + m[2].str() + "\"}";
}

class ResourceImageFiles : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(ResourceImageFiles, DumpIsAsExpected) {
    const std::string name = GetParam();
    const fs::path expected = kFolder / (fs::path(name).stem().string() + ".expected.json");
    EXPECT_EQ(Dump(name), ReadText(expected));
}

INSTANTIATE_TEST_SUITE_P(Read, ResourceImageFiles, ::testing::ValuesIn(Images()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string id;
                             for (char c : fs::path(info.param).stem().string()) id += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                             return id;
                         });

TEST(ResourceImageFiles, EveryImageHasItsExpectation) {
    ASSERT_FALSE(Images().empty());
    for (const auto& name : Images()) EXPECT_TRUE(fs::exists(kFolder / (fs::path(name).stem().string() + ".expected.json"))) << name;
}

#endif
