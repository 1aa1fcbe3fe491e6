#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "langdata/kcompress/kcompress.h"
#include "langdata/kcompress/KCompressor.h"
#include "langdata/kcompress/LzWindow.h"
#include "tests/kcompress/LzkTestStreams.h"
#include "tests/support/ErrorCode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using langdata::CompressLZKStream;
using langdata::DecompressLZKStream;
using langdata::EKCompressError;
using langdata::IsLZKStream;
using langdata::TLZKCompressor;
using langdata::TLZSlideWindow;
using langdata::TPositionsList;
using langdata::TSlideWindow;
using lzktest::TTrickleStream;

const Bytes kHeader = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};

Bytes Compress(const Bytes& input, const langdata::TKCompressHeader& header = {0, 0, 0, 0}) {
    rtl::TMemoryStream src(input);
    rtl::TMemoryStream dst;
    CompressLZKStream(src, dst, header);
    return dst.Bytes();
}

Bytes Decompress(const Bytes& stream) {
    rtl::TMemoryStream src(stream);
    rtl::TMemoryStream dst;
    DecompressLZKStream(src, dst);
    return dst.Bytes();
}

Bytes WithHeader(const Bytes& tokens) {
    Bytes out = kHeader;
    out.insert(out.end(), tokens.begin(), tokens.end());
    return out;
}

Bytes FromText(const std::string& s) { return Bytes(s.begin(), s.end()); }

// The encoder exactly as the format's reference describes it, written the plain way: byte by
// byte, with the per-byte position lists searched newest first and pruned when a search meets a
// position that has left the window. The real encoder must produce the same bytes.
Bytes ReferenceCompress(const Bytes& input) {
    constexpr int kCap = 2048;
    std::uint8_t buf[kCap] = {};
    int start = 0, size = 0, la = 0;
    std::int64_t gstart = 0;
    std::vector<std::deque<std::int64_t>> lists(256);
    auto byteAt = [&](int off) { return buf[(start + off) % kCap]; };
    auto extend = [&](int n) {
        size += n;
        if (size > kCap) {
            int e = size - kCap;
            la -= e;
            start = (start + e) % kCap;
            gstart += e;
            size = kCap;
        }
    };
    auto advance = [&](int n) {
        for (int i = 0; i < n; ++i) {
            auto& l = lists[byteAt(la + i)];
            l.push_back(gstart + la + i);
            if (l.size() > 40) l.pop_front();
        }
        la += n;
    };
    Bytes out = kHeader;
    Bytes lit;
    auto flush = [&] {
        out.push_back(static_cast<std::uint8_t>(2 * lit.size()));
        out.insert(out.end(), lit.begin(), lit.end());
        lit.clear();
    };
    std::size_t pos = 0;
    while (pos < input.size() || size - la > 0) {
        int n = std::min<int>(127 - (size - la), static_cast<int>(input.size() - pos));
        for (int i = 0; i < n; ++i) {
            buf[(start + size) % kCap] = input[pos++];
            extend(1);
        }
        int best = 0, dist = 0;
        if (size - la >= 3) {
            auto& l = lists[byteAt(la)];
            for (int idx = static_cast<int>(l.size()) - 1; idx >= 0; --idx) {
                std::int64_t p = l[static_cast<std::size_t>(idx)];
                if (p < gstart) {
                    l.erase(l.begin(), l.begin() + idx + 1);
                    break;
                }
                int o = static_cast<int>(p - gstart);
                int m = 1;
                while (m < size - la && m < 18 && byteAt(o + m) == byteAt(la + m)) ++m;
                if (m >= 3 && m > best) {
                    best = m;
                    dist = la - o;
                    if (best > 8) break;
                }
            }
        }
        if (best > 0) {
            if (!lit.empty()) flush();
            int w = ((best - 3) << 12) | (dist << 1) | 1;
            out.push_back(static_cast<std::uint8_t>(w & 0xFF));
            out.push_back(static_cast<std::uint8_t>(w >> 8));
            advance(best);
        } else {
            if (lit.size() == 127) flush();
            lit.push_back(byteAt(la));
            advance(1);
        }
    }
    if (!lit.empty()) flush();
    return out;
}

// The largest match distance in a token stream (header included).
int MaxDistance(const Bytes& stream) {
    int maxDist = 0;
    for (std::size_t i = kHeader.size(); i < stream.size();) {
        if (stream[i] & 1) {
            int w = stream[i] | (stream[i + 1] << 8);
            maxDist = std::max(maxDist, (w & 0x0FFF) >> 1);
            i += 2;
        } else {
            i += 1 + stream[i] / 2;
        }
    }
    return maxDist;
}

Bytes RandomBytes(std::mt19937& rng, std::size_t n, int alphabet) {
    std::uniform_int_distribution<int> d(0, alphabet - 1);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(d(rng));
    return out;
}

// Text with many repeated words, and runs of binary data with some structure.
Bytes MixedData(std::mt19937& rng, std::size_t n) {
    static const char* const words[] = {"Caption", "Hint", "Open", "Save", "the ", "image", "text ", "Language",
                                        "\r\n", "Form1.", "lbl", "=", "'", "Encrypt", "Decrypt", " "};
    Bytes out;
    std::uniform_int_distribution<int> pick(0, 15), kind(0, 9), len(1, 300);
    while (out.size() < n) {
        int k = kind(rng);
        if (k < 6) {
            std::string w = words[pick(rng)];
            out.insert(out.end(), w.begin(), w.end());
        } else if (k < 8) {
            Bytes r = RandomBytes(rng, static_cast<std::size_t>(len(rng)), k == 6 ? 4 : 256);
            out.insert(out.end(), r.begin(), r.end());
        } else if (!out.empty()) {
            // Copy something from up to 3000 bytes back, so matches at every distance occur.
            std::size_t back = std::min<std::size_t>(out.size(), std::uniform_int_distribution<std::size_t>(1, 3000)(rng));
            std::size_t from = out.size() - back;
            std::size_t count = std::min<std::size_t>(back, static_cast<std::size_t>(len(rng)));
            for (std::size_t i = 0; i < count; ++i) out.push_back(out[from + i]);
        }
    }
    out.resize(n);
    return out;
}

}  // namespace

TEST(LZKFormat, SmallInputsGiveTheKnownTokens) {
    struct Case {
        Bytes input;
        Bytes tokens;
    };
    Bytes tenLetters = FromText("abcdefghij");
    Bytes thirty;
    for (int i = 0; i < 3; ++i) thirty.insert(thirty.end(), tenLetters.begin(), tenLetters.end());
    Bytes expectThirty = {0x14};
    expectThirty.insert(expectThirty.end(), tenLetters.begin(), tenLetters.end());
    expectThirty.insert(expectThirty.end(), {0x15, 0xF0, 0x04, 0x69, 0x6A});

    const Case cases[] = {
        {{}, {}},
        {FromText("ab"), {0x04, 0x61, 0x62}},
        {FromText("abc"), {0x06, 0x61, 0x62, 0x63}},
        {Bytes(20, 0x61), {0x02, 0x61, 0x03, 0xF0, 0x02, 0x61}},
        {FromText("abcabcabcabc"), {0x06, 0x61, 0x62, 0x63, 0x07, 0x60}},
        {thirty, expectThirty},
    };
    for (const auto& c : cases) {
        Bytes stream = Compress(c.input);
        EXPECT_EQ(stream, WithHeader(c.tokens)) << "input of " << c.input.size() << " bytes";
        EXPECT_EQ(Decompress(stream), c.input);
    }
}

TEST(LZKFormat, LongLiteralRunsSplitAt127) {
    Bytes input(130);
    for (std::size_t i = 0; i < input.size(); ++i) input[i] = static_cast<std::uint8_t>(i);
    Bytes stream = Compress(input);
    ASSERT_EQ(stream.size(), kHeader.size() + 1 + 127 + 1 + 3);
    EXPECT_EQ(stream[9], 0xFE);
    EXPECT_EQ(stream[9 + 128], 0x06);
    EXPECT_EQ(Decompress(stream), input);
}

TEST(LZKFormat, HeaderDataIsKeptVerbatim) {
    Bytes stream = Compress(FromText("hello"), {0xDE, 0xAD, 0xBE, 0xEF});
    EXPECT_EQ(Bytes(stream.begin() + 5, stream.begin() + 9), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    rtl::TMemoryStream src(stream), dst;
    TLZKCompressor c(&src, &dst);
    c.Decompress();
    EXPECT_EQ(c.HeaderData, (langdata::TKCompressHeader{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(dst.Bytes(), FromText("hello"));
}

TEST(LZKFormat, EncoderMatchesTheReferenceOnVariedData) {
    std::mt19937 rng(20240611);
    std::vector<Bytes> inputs = {
        RandomBytes(rng, 5000, 2),   RandomBytes(rng, 5000, 3),    RandomBytes(rng, 20000, 16),
        RandomBytes(rng, 9000, 256), MixedData(rng, 60000),         MixedData(rng, 200000),
        Bytes(10000, 0),
    };
    // Byte values that recur far more than 40 times per window, so the lists' limit matters.
    Bytes skewed;
    for (int i = 0; i < 30000; ++i) skewed.push_back(static_cast<std::uint8_t>(i % 7 == 0 ? rng() % 5 : 'a' + rng() % 3));
    inputs.push_back(skewed);
    for (const auto& input : inputs) {
        Bytes stream = Compress(input);
        ASSERT_EQ(stream, ReferenceCompress(input)) << "input of " << input.size() << " bytes";
        ASSERT_EQ(Decompress(stream), input);
    }
}

TEST(LZKFormat, MatchesReachBackAcrossTheWholeWindow) {
    std::mt19937 rng(7);
    // While input keeps coming, the look-ahead takes 127 bytes of the window: 1921 bytes of
    // history stay reachable.
    Bytes block = RandomBytes(rng, 1921, 256);
    Bytes input;
    for (int i = 0; i < 40; ++i) input.insert(input.end(), block.begin(), block.end());
    Bytes stream = Compress(input);
    EXPECT_EQ(MaxDistance(stream), 1921);
    EXPECT_LT(stream.size(), input.size() / 4);
    EXPECT_EQ(Decompress(stream), input);

    // At the end the look-ahead drains and matches reach back up to 2045 bytes.
    Bytes tailBlock = RandomBytes(rng, 2045, 256);
    Bytes input1 = tailBlock;
    input1.insert(input1.end(), tailBlock.begin(), tailBlock.end());
    Bytes stream1 = Compress(input1);
    EXPECT_EQ(MaxDistance(stream1), 2045);
    EXPECT_EQ(Decompress(stream1), input1);

    // A period just beyond reach finds nothing.
    Bytes far = RandomBytes(rng, 2046, 256);
    Bytes input2 = far;
    input2.insert(input2.end(), far.begin(), far.end());
    Bytes stream2 = Compress(input2);
    EXPECT_LE(MaxDistance(stream2), 2045);
    EXPECT_EQ(Decompress(stream2), input2);
}

TEST(LZKStreams, IsLZKStreamKeepsThePosition) {
    for (const Bytes& bytes : {Bytes{}, FromText("LZK"), FromText("LZK0"), FromText("LZK00"), FromText("LZK00ab"),
                               FromText("LZK01abcd"), WithHeader({})}) {
        rtl::TMemoryStream s(bytes);
        EXPECT_EQ(IsLZKStream(s), bytes.size() >= 9 && bytes[4] == '0') << std::string(bytes.begin(), bytes.end());
        EXPECT_EQ(s.Position(), 0);
    }
    rtl::TMemoryStream s(WithHeader({0x04, 'a', 'b'}));
    s.SetPosition(3);
    EXPECT_FALSE(IsLZKStream(s));
    EXPECT_EQ(s.Position(), 3);
}

TEST(LZKStreams, ErrorsComeInTheirOrder) {
    rtl::TMemoryStream src(FromText("plain text, not compressed")), dst;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const EKCompressError& e) {
            return e.Message();
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([&] { TLZKCompressor(nullptr, nullptr).Decompress(); }), "Source stream is not defined");
    EXPECT_EQ(message([&] { TLZKCompressor(&src, nullptr).Decompress(); }), "Destination stream is not defined");
    EXPECT_EQ(message([&] { TLZKCompressor(nullptr, &dst).Compress(); }), "Source stream is not defined");
    EXPECT_EQ(message([&] { DecompressLZKStream(src, dst); }), "Wrong stream format");
    EXPECT_EQ(dst.Size(), 0);
    // Only the header is ever refused; the caller's errors carry no code.
    EXPECT_EQ(testutil::ErrorCodeOf([&] { DecompressLZKStream(src, dst); }), "lzk.header.magic");
    rtl::TMemoryStream cut(FromText("LZK00ab"));
    EXPECT_EQ(testutil::ErrorCodeOf([&] { DecompressLZKStream(cut, dst); }), "lzk.header.magic");
    EXPECT_EQ(testutil::ErrorCodeOf([&] { TLZKCompressor(nullptr, nullptr).Decompress(); }), "(no code)");
}

TEST(LZKStreams, OutputGoesToTheDestinationPositionAndProgressIsReported) {
    Bytes input = FromText(std::string(5000, 'x') + "tail");
    rtl::TMemoryStream src(Compress(input));
    src.SetPosition(4);  // decompression always starts at the beginning
    rtl::TMemoryStream dst(FromText("keep:"));
    dst.SetPosition(5);
    std::vector<std::int32_t> positions;
    DecompressLZKStream(src, dst, [&](rtl::TObject*, std::int32_t pos, std::int32_t size) {
        EXPECT_EQ(size, src.Size());
        positions.push_back(pos);
    });
    Bytes expected = FromText("keep:");
    expected.insert(expected.end(), input.begin(), input.end());
    EXPECT_EQ(dst.Bytes(), expected);
    ASSERT_FALSE(positions.empty());
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_EQ(positions.back(), src.Size());
}


TEST(LZKStreams, ShortReadsAndBoundedBlocks) {
    std::mt19937 rng(3);
    Bytes input = MixedData(rng, 300000);
    TTrickleStream src(input);
    rtl::TMemoryStream packed;
    CompressLZKStream(src, packed);
    EXPECT_EQ(packed.Bytes(), Compress(input));
    EXPECT_LE(src.largestRequest, 64 * 1024);

    TTrickleStream packedSrc(packed.Bytes());
    rtl::TMemoryStream out;
    DecompressLZKStream(packedSrc, out);
    EXPECT_EQ(out.Bytes(), input);
    EXPECT_LE(packedSrc.largestRequest, 64 * 1024);
}

TEST(LZKWindows, FillFromAStreamTopsUpTheLookahead) {
    TLZSlideWindow w(2048, 127, 18);
    rtl::TMemoryStream src(Bytes(300, 'z'));
    EXPECT_EQ(w.Fill(src), 127);
    w.Advance(27);
    EXPECT_EQ(w.Fill(src), 27);
    EXPECT_EQ(w.LookaheadSize(), 127);
    EXPECT_EQ(src.Position(), 154);
}

TEST(LZKDamage, DistancesBeforeTheFirstByteReadZeros) {
    // A match of 18 at distance 1 with nothing output yet, then "ab", then a match reaching
    // 2047 back when only 20 bytes exist.
    Bytes out = Decompress(WithHeader({0x03, 0xF0, 0x04, 'a', 'b', 0xFF, 0x0F}));
    Bytes expected(18, 0);
    expected.push_back('a');
    expected.push_back('b');
    expected.insert(expected.end(), 3, 0);
    EXPECT_EQ(out, expected);
}

TEST(LZKDamage, CutStreamsDecodeToAPrefix) {
    std::mt19937 rng(99);
    Bytes input = MixedData(rng, 6000);
    Bytes stream = Compress(input);
    for (std::size_t cut = kHeader.size(); cut <= stream.size(); ++cut) {
        Bytes out = Decompress(Bytes(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut)));
        ASSERT_LE(out.size(), input.size());
        ASSERT_TRUE(std::equal(out.begin(), out.end(), input.begin())) << "cut at " << cut;
    }
}

TEST(LZKDamage, RandomTokensStayInsideTheBuffers) {
    // Run under the sanitizers too: any read or write outside the window would be caught there.
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        std::mt19937 rng(seed);
        Bytes tokens = RandomBytes(rng, std::uniform_int_distribution<std::size_t>(0, 6000)(rng), 256);
        Bytes out = Decompress(WithHeader(tokens));
        // Every token produces at most 127 bytes and takes at least one.
        EXPECT_LE(out.size(), tokens.size() * 127);
    }
    // Damaged tail after a good start: the good part still comes out exactly.
    std::mt19937 rng(5);
    Bytes input = MixedData(rng, 4000);
    Bytes stream = Compress(input);
    Bytes damaged = stream;
    Bytes noise = RandomBytes(rng, 3000, 256);
    damaged.insert(damaged.end(), noise.begin(), noise.end());
    Bytes out = Decompress(damaged);
    ASSERT_GE(out.size(), input.size());
    EXPECT_TRUE(std::equal(input.begin(), input.end(), out.begin()));
}

TEST(LZKWindows, SlideWindowWrapsAndCountsWhatLeft) {
    TSlideWindow w(8);
    w.Extend(5);
    EXPECT_EQ(w.Size(), 5);
    w.Extend(6);
    EXPECT_EQ(w.Size(), 8);
    EXPECT_EQ(w.Start(), 3);
    EXPECT_EQ(w.GlobalStart(), 3);
    EXPECT_EQ(w.BufferIndex(6), 1);
    EXPECT_EQ(w.StepIndex(7, 3), 2);
    w.DropFront(2);
    EXPECT_EQ(w.Size(), 6);
    EXPECT_EQ(w.Start(), 5);
}

TEST(LZKWindows, PositionsListDropsItsOldest) {
    TPositionsList list(3);
    for (std::int64_t v : {10, 20, 30, 40}) list.Add(v);
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Item(0), 20);
    EXPECT_EQ(list.Item(2), 40);
    list.DeleteFirst(4);  // more than held: nothing happens
    EXPECT_EQ(list.Count(), 3);
    list.DeleteFirst(2);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Item(0), 40);
    list.Add(std::int64_t{1} << 40);  // positions beyond 32 bits survive
    EXPECT_EQ(list.Item(1), std::int64_t{1} << 40);
}

TEST(LZKWindows, EncoderWindowKeepsTheLookaheadInPlace) {
    TLZSlideWindow w(2048, 127, 18);
    Bytes block(2048 + 100, 'q');
    w.ReadFrom(block.data(), 127);
    w.Advance(100);
    EXPECT_EQ(w.LookaheadStart(), 100);
    w.ReadFrom(block.data(), 2000);  // 79 bytes leave the window
    EXPECT_EQ(w.GlobalStart(), 79);
    EXPECT_EQ(w.LookaheadStart(), 21);
    EXPECT_EQ(w.LookaheadSize(), 2048 - 21);
}
