// Every error code a reader raises is listed on the format pages, and every code listed there is
// one a reader raises, so the lists under docs/formats/ and the checks cannot drift apart.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

// <format>.<part>.<what>, the formats being the stored formats we read.
const char* const kCodePattern = R"((?:bmp|lzk|lng|pack|rec|pe|form|reg|po)\.[a-z0-9-]+\.[a-z0-9-]+)";

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The codes found in the text, written as `quote CODE quote`.
std::set<std::string> CodesIn(const std::string& text, char quote) {
    std::set<std::string> codes;
    const std::regex pattern(std::string(1, quote) + "(" + kCodePattern + ")" + std::string(1, quote));
    for (std::sregex_iterator it(text.begin(), text.end(), pattern), end; it != end; ++it) codes.insert((*it)[1].str());
    return codes;
}

std::set<std::string> SourceCodes() {
    std::set<std::string> codes;
    const fs::path root(VLMRK_SOURCE_DIR);
    for (const char* folder : {"app", "codec", "platform", "langdata", "modres", "localizer", "locstore", "tools"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const auto ext = entry.path().extension();
            if (ext != ".cpp" && ext != ".h") continue;
            for (const auto& code : CodesIn(ReadText(entry.path()), '"')) codes.insert(code);
        }
    }
    return codes;
}

std::set<std::string> PageCodes() {
    std::set<std::string> codes;
    for (const auto& entry : fs::directory_iterator(fs::path(VLMRK_SOURCE_DIR) / "docs" / "formats")) {
        if (entry.path().extension() != ".md") continue;
        for (const auto& code : CodesIn(ReadText(entry.path()), '`')) codes.insert(code);
    }
    return codes;
}

}  // namespace

TEST(ErrorCodesPage, EveryCodeRaisedIsListedAndEveryCodeListedIsRaised) {
    const std::set<std::string> raised = SourceCodes();
    const std::set<std::string> listed = PageCodes();
    ASSERT_GT(raised.size(), 50u) << "the scan found the readers' codes";
    for (const auto& code : raised) EXPECT_TRUE(listed.count(code)) << code << " is raised but not listed";
    for (const auto& code : listed) EXPECT_TRUE(raised.count(code)) << code << " is listed but never raised";
}
