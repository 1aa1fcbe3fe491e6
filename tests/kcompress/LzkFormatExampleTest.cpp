// The worked examples of docs/formats/lzk.md, read from tests/data/formats/.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "langdata/kcompress/kcompress.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadExample(const std::string& name) {
    std::ifstream in(std::string(VLMRK_TEST_DATA_DIR) + "/formats/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Decompress(const Bytes& stream) {
    rtl::TMemoryStream src(stream), dst;
    langdata::DecompressLZKStream(src, dst);
    return dst.Bytes();
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace

TEST(LZKFormatPage, WorkedExampleDecodesAndIsWhatTheCompressorWrites) {
    const Bytes stream = ReadExample("lzk-example.bin");
    ASSERT_EQ(stream.size(), 15u);
    rtl::TMemoryStream s(stream);
    EXPECT_TRUE(langdata::IsLZKStream(s));
    // 06 61 62 63: a literal run of three; 07 60: distance 3, length 9.
    EXPECT_EQ(Decompress(stream), Text("abcabcabcabc"));

    rtl::TMemoryStream plain(Text("abcabcabcabc")), packed;
    langdata::CompressLZKStream(plain, packed);
    EXPECT_EQ(packed.Bytes(), stream);
}

TEST(LZKFormatPage, DistanceZeroReadsZerosLikeADistanceBeforeTheOutput) {
    // "ab", then 01 10 (distance 0, length 4), then "c".
    const Bytes stream = ReadExample("lzk-distance-zero.bin");
    Bytes expected = Text("ab");
    expected.insert(expected.end(), 4, 0);
    expected.push_back('c');
    EXPECT_EQ(Decompress(stream), expected);

    // The same far into a stream, where the window holds older output at the place the match
    // is copied to, across the end of the decoder's circular buffer (runs of varying length make
    // some matches straddle it), and at the very end (the last few bytes take another path).
    Bytes tokens = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};
    Bytes want;
    for (int i = 0; i < 2000; ++i) {
        const int run = 60 + (i * 7) % 61;
        tokens.push_back(static_cast<std::uint8_t>(2 * run));
        for (int k = 0; k < run; ++k) {
            tokens.push_back(static_cast<std::uint8_t>(0x41 + (i + k) % 26));
            want.push_back(tokens.back());
        }
        tokens.insert(tokens.end(), {0x01, 0xF0});  // distance 0, length 18
        want.insert(want.end(), 18, 0);
    }
    EXPECT_EQ(Decompress(tokens), want);
}
