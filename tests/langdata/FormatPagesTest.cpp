// The hex dumps of the worked examples in docs/formats/ must show the bytes of the example files
// under tests/data/formats/, so a page and its test input cannot drift apart.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Bytes Hex(const std::string& text) {
    Bytes out;
    std::istringstream in(text);
    std::string pair;
    while (in >> pair) out.push_back(static_cast<std::uint8_t>(std::stoul(pair, nullptr, 16)));
    return out;
}

// The fenced code blocks of a page, in order.
std::vector<std::string> CodeBlocks(const std::string& page) {
    std::vector<std::string> blocks;
    std::size_t at = 0;
    while ((at = page.find("```\n", at)) != std::string::npos) {
        std::size_t end = page.find("```", at + 4);
        if (end == std::string::npos) break;
        blocks.push_back(page.substr(at + 4, end - at - 4));
        at = end + 3;
    }
    return blocks;
}

struct TDump {
    const char* Page;
    int Block;          // index of the code block on the page
    const char* File;   // under tests/data/formats/
    std::size_t Base;   // file offset of the dump's offset 0
    bool Whole;         // the dump lists every byte, up to the end of the file
};

// Checks every dump line ("OFFSET  HEX ...", continuation lines of hex indented by 8) against
// the file. A whole dump must be contiguous and end with a line naming the file's end offset.
void ExpectDumpMatches(const TDump& dump) {
    SCOPED_TRACE(std::string(dump.Page) + " block " + std::to_string(dump.Block));
    const std::string dir = std::string(VLMRK_SOURCE_DIR);
    const std::vector<std::string> blocks = CodeBlocks(ReadText(dir + "/docs/formats/" + dump.Page));
    ASSERT_LT(dump.Block, static_cast<int>(blocks.size()));
    const std::string data = ReadText(std::string(VLMRK_TEST_DATA_DIR) + "/formats/" + dump.File);

    static const std::regex line(R"(^([0-9A-F]{4}) {2,}((?:[0-9A-F]{2} )*[0-9A-F]{2})(?: {2,}.*)?$)");
    static const std::regex more(R"(^ {8}((?:[0-9A-F]{2} )*[0-9A-F]{2})(?: {2,}.*)?$)");
    static const std::regex endMark(R"(^([0-9A-F]{4}) {20,}\S.*$)");
    std::istringstream in(blocks[static_cast<std::size_t>(dump.Block)]);
    std::string text;
    std::size_t pos = 0;
    std::size_t lines = 0;
    bool ended = false;
    while (std::getline(in, text)) {
        std::smatch m;
        std::size_t at = pos;
        Bytes bytes;
        if (std::regex_match(text, m, line)) {
            at = std::stoul(m[1].str(), nullptr, 16);
            bytes = Hex(m[2].str());
            if (dump.Whole) {
                EXPECT_EQ(at, pos) << text;
            }
        } else if (std::regex_match(text, m, more)) {
            bytes = Hex(m[1].str());
        } else {
            if (std::regex_match(text, m, endMark)) {
                EXPECT_EQ(std::stoul(m[1].str(), nullptr, 16), pos) << text;
                ended = true;
            }
            continue;
        }
        ++lines;
        ASSERT_LE(dump.Base + at + bytes.size(), data.size()) << text;
        EXPECT_EQ(Bytes(data.begin() + static_cast<long>(dump.Base + at),
                        data.begin() + static_cast<long>(dump.Base + at + bytes.size())),
                  bytes)
            << text;
        pos = at + bytes.size();
    }
    EXPECT_GT(lines, 0u);
    if (dump.Whole) {
        EXPECT_EQ(dump.Base + pos, data.size());
        EXPECT_TRUE(ended) << "the dump names the end offset";
    }
}

}  // namespace

TEST(FormatPages, WorkedExamplesShowTheBytesOfTheirFiles) {
    const TDump dumps[] = {
        {"lzk.md", 0, "lzk-example.bin", 0, false},
        {"lzk.md", 1, "lzk-distance-zero.bin", 0, false},
        {"langfile.md", 0, "langfile-v7-example.lng", 0, true},
        {"langfile.md", 1, "langfile-v1-example.lng", 0, true},
        {"langpack.md", 0, "langpack-v4-example.bin", 0, true},
        {"langpack.md", 1, "settings-ldll-example.bin", 0, true},
        {"resimage.md", 0, "resimage-example.dll", 0, false},
        {"resimage.md", 1, "resimage-example.dll", 1024, false},
        {"formstream.md", 1, "formstream-example.bin", 0, true},
    };
    for (const TDump& dump : dumps) ExpectDumpMatches(dump);
}
