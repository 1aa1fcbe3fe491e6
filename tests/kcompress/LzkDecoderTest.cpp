// The decoder against a plain byte-at-a-time decoder written from the format's description, on
// token streams that exercise every kind of token: both ways of reading a source (in place from
// memory, in blocks from any other stream), the one-token-at-a-time way taken with a progress
// listener, and cuts anywhere.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "langdata/kcompress/kcompress.h"
#include "tests/kcompress/LzkTestStreams.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kHeader = {'L', 'Z', 'K', '0', '0', 0, 0, 0, 0};

// Tokens only; the header is not looked at. A match copies one byte at a time from `distance`
// bytes back; bytes before the output, and distance 0, read as zeros. A cut token gives what
// is there of it.
Bytes ReferenceDecode(const Bytes& stream) {
    Bytes out;
    std::size_t i = kHeader.size();
    while (i < stream.size()) {
        const std::uint8_t t = stream[i++];
        if (t & 1) {
            if (i == stream.size()) break;
            const unsigned w = t | (stream[i++] << 8);
            const std::size_t distance = (w & 0x0FFF) >> 1;
            const std::size_t length = (w >> 12) + 3;
            for (std::size_t k = 0; k < length; ++k)
                out.push_back(distance == 0 || distance > out.size() ? 0 : out[out.size() - distance]);
        } else {
            for (std::size_t n = t >> 1; n > 0 && i < stream.size(); --n) out.push_back(stream[i++]);
        }
    }
    return out;
}

void AddLiteral(Bytes& s, const Bytes& bytes) {
    s.push_back(static_cast<std::uint8_t>(2 * bytes.size()));
    s.insert(s.end(), bytes.begin(), bytes.end());
}

void AddMatch(Bytes& s, unsigned distance, unsigned length) {
    const unsigned w = ((length - 3) << 12) | (distance << 1) | 1;
    s.push_back(static_cast<std::uint8_t>(w & 0xFF));
    s.push_back(static_cast<std::uint8_t>(w >> 8));
}

// A stream whose output is about `outputBytes` long, weighted towards the cases a decoder gets
// wrong: short distances (0..7, where a match overlaps itself), distances just past them, the
// longest reach, empty and full literal runs.
Bytes TokenStream(std::mt19937& rng, std::size_t outputBytes) {
    Bytes s = kHeader;
    std::size_t produced = 0;
    auto pick = [&](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };
    while (produced < outputBytes) {
        const unsigned kind = pick(0, 9);
        if (kind < 3) {
            const unsigned n = kind == 0 ? pick(0, 127) : pick(1, 6);
            Bytes bytes(n);
            for (auto& b : bytes) b = static_cast<std::uint8_t>(pick(0, 255));
            AddLiteral(s, bytes);
            produced += n;
        } else {
            const unsigned distance = kind < 6 ? pick(0, 7) : kind < 8 ? pick(8, 40) : pick(1, 2047);
            const unsigned length = pick(3, 18);
            AddMatch(s, distance, length);
            produced += length;
        }
    }
    return s;
}

Bytes DecodeInPlace(const Bytes& stream) {
    rtl::TMemoryStream src(stream), dst;
    langdata::DecompressLZKStream(src, dst);
    return dst.Bytes();
}

Bytes DecodeInBlocks(const Bytes& stream, std::int64_t chunk) {
    lzktest::TTrickleStream src(stream, chunk);
    rtl::TMemoryStream dst;
    langdata::DecompressLZKStream(src, dst);
    return dst.Bytes();
}

Bytes DecodeWithProgress(const Bytes& stream) {
    rtl::TMemoryStream src(stream), dst;
    std::int32_t last = 0;
    langdata::DecompressLZKStream(src, dst, [&](rtl::TObject*, std::int32_t position, std::int32_t) {
        EXPECT_GT(position, last);
        last = position;
    });
    if (stream.size() > kHeader.size()) {
        EXPECT_EQ(last, static_cast<std::int32_t>(stream.size()));
    }
    return dst.Bytes();
}

}  // namespace

TEST(LZKDecoder, AgreesWithTheByteAtATimeDecoderOnEveryWayIn) {
    for (std::uint32_t seed = 1; seed <= 6; ++seed) {
        std::mt19937 rng(seed);
        // Several times the decoder's output block, so matches reach back across its edge.
        const Bytes stream = TokenStream(rng, 300 * 1024);
        const Bytes want = ReferenceDecode(stream);
        ASSERT_EQ(DecodeInPlace(stream), want) << "seed " << seed;
        ASSERT_EQ(DecodeInBlocks(stream, 7), want) << "seed " << seed;
        ASSERT_EQ(DecodeInBlocks(stream, 4093), want) << "seed " << seed;
        ASSERT_EQ(DecodeWithProgress(stream), want) << "seed " << seed;
    }
}

TEST(LZKDecoder, EveryShortDistanceAndLengthAfterEveryShortPrefix) {
    // Each match sits far enough from the end that the fast loop decodes it; a prefix shorter
    // than the distance makes the match read bytes before the output (zeros).
    Bytes padding(120);
    for (std::size_t i = 0; i < padding.size(); ++i) padding[i] = static_cast<std::uint8_t>(0x80 + i);
    for (unsigned prefix = 0; prefix <= 9; ++prefix) {
        for (unsigned distance = 0; distance <= 17; ++distance) {
            for (unsigned length = 3; length <= 18; ++length) {
                Bytes s = kHeader;
                Bytes head(prefix);
                for (unsigned i = 0; i < prefix; ++i) head[i] = static_cast<std::uint8_t>('a' + i);
                AddLiteral(s, head);
                AddMatch(s, distance, length);
                AddMatch(s, distance, length);  // again, now over its own output
                AddLiteral(s, padding);
                AddLiteral(s, padding);
                ASSERT_EQ(DecodeInPlace(s), ReferenceDecode(s))
                    << "prefix " << prefix << " distance " << distance << " length " << length;
            }
        }
    }
}

TEST(LZKDecoder, CutAnywhereGivesWhatTheCutStreamHolds) {
    std::mt19937 rng(11);
    const Bytes stream = TokenStream(rng, 3000);
    for (std::size_t cut = kHeader.size(); cut <= stream.size(); ++cut) {
        const Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
        const Bytes want = ReferenceDecode(part);
        ASSERT_EQ(DecodeInPlace(part), want) << "cut at " << cut;
        ASSERT_EQ(DecodeInBlocks(part, 61), want) << "cut at " << cut;
    }
}

TEST(LZKDecoder, ReadsTheWholeSourceFromTheStartWhereverItStands) {
    std::mt19937 rng(12);
    const Bytes stream = TokenStream(rng, 20000);
    rtl::TMemoryStream src(stream), dst;
    src.SetPosition(100);
    langdata::DecompressLZKStream(src, dst);
    EXPECT_EQ(dst.Bytes(), ReferenceDecode(stream));
    EXPECT_EQ(src.Position(), src.Size());
}
