// LSB matching: the same bits in the same places as replacement, each carrier field moved by one
// step at most and never across into a neighbouring field.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "codec/StegoRandom.h"
#include "platform/bitmap/Bitmap.h"

using namespace codec;
using bitmap::TBitmap;

namespace {

const std::string kSig = "Encrypt-Hidden-Text-Signature1";

TBitmap Filled(int w, int h, int bitCount, std::uint32_t seed) {
    TBitmap bmp(w, h, bitCount);
    if (bitCount == 16) bmp.SetMasks({0xF800, 0x07E0, 0x001F, 0});
    std::mt19937 rng(seed);
    for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
    return bmp;
}

// The field that holds the carrier bit, as a mask of the carrier byte.
unsigned FieldMask(int bpp) { return bpp == 2 ? 0x07u : 0xFFu; }

// Checks every byte of the picture: only carrier fields of used pixels change, by one step, and
// the carrier bit then holds the stored bit. Answers how many fields went up and down.
std::pair<int, int> CheckSteps(const TBitmap& before, const TBitmap& after, int bpp, const std::string& stored) {
    int up = 0, down = 0;
    const int w = before.Width();
    const std::size_t usedPixels = 8 * stored.size();
    for (int y = 0; y < before.Height(); ++y)
        for (std::size_t i = 0; i < before.RowBytes(); ++i) {
            const std::uint8_t a = before.ScanLine(y)[i], b = after.ScanLine(y)[i];
            const std::size_t x = i / static_cast<std::size_t>(bpp);
            const std::size_t k = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + x;
            const bool carrier = x < static_cast<std::size_t>(w) && i % bpp == static_cast<std::size_t>(bpp - 1);
            if (!carrier || k >= usedPixels) {
                EXPECT_EQ(a, b) << "row " << y << " byte " << i;
                continue;
            }
            const unsigned mask = FieldMask(bpp);
            EXPECT_EQ(a & ~mask, b & ~mask) << "a neighbouring field changed at row " << y << " byte " << i;
            const int step = static_cast<int>(b & mask) - static_cast<int>(a & mask);
            EXPECT_LE(std::abs(step), 1) << "row " << y << " byte " << i;
            const unsigned bit = (static_cast<unsigned char>(stored[k / 8]) >> (k % 8)) & 1u;
            EXPECT_EQ(b & 1u, bit);
            EXPECT_EQ(step != 0, (a & 1u) != bit);
            up += step > 0;
            down += step < 0;
        }
    return {up, down};
}

}  // namespace

TEST(LsbMatching, StepsWithinTheCarrierFieldOnEveryFormat) {
    for (int bitCount : {16, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const int bpp = bitCount / 8;
        // 37 columns: stored bytes cross row ends.
        TBitmap bmp = Filled(37, 41, bitCount, 21);
        const TBitmap before = bmp;
        std::string data;
        std::mt19937 rng(7);
        for (int i = 0; i < 120; ++i) data.push_back(static_cast<char>(1 + rng() % 255));
        TSeededRandom coins(1);
        InsertStegography(bmp, data, TEmbedding::Matching, coins);
        const auto [up, down] = CheckSteps(before, bmp, bpp, kSig + data + std::string(1, '\0'));
        // About half the carriers differ, and those go either way.
        EXPECT_GT(up, 200);
        EXPECT_GT(down, 200);

        AnsiString text;
        EXPECT_TRUE(ExtractStegography(bmp, text));
        EXPECT_EQ(text, data);
    }
}

TEST(LsbMatching, FieldBoundariesGoTheOnlyPossibleWay) {
    struct Case {
        int bitCount;
        std::uint8_t low, high;  // carrier bytes whose field is at its lowest and highest value
        std::uint8_t lowUp, highDown;
    };
    // 5-6-5: the carrier byte's bits 0-2 are green's bits 3-5; red (bits 3-7) must survive.
    const Case cases[] = {{24, 0x00, 0xFF, 0x01, 0xFE},
                          {32, 0x00, 0xFF, 0x01, 0xFE},
                          {16, 0xA8, 0xAF, 0xA9, 0xAE},
                          {16, 0x00, 0xFF, 0x01, 0xFE}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bitCount) + " " + std::to_string(c.low));
        const int bpp = c.bitCount / 8;
        for (std::uint64_t seed : {1u, 2u, 3u}) {
            TBitmap bmp = Filled(64, 8, c.bitCount, 5);
            // Alternate the two boundary values, so both see 0 and 1 bits.
            for (int k = 0; k < 512; ++k)
                bmp.ScanLine(k / 64)[(k % 64) * bpp + bpp - 1] = (k / 3) % 2 ? c.high : c.low;
            const TBitmap before = bmp;
            const std::string data = "\xA5\x5A\xFF\x01~|";
            TSeededRandom coins(seed);
            InsertStegography(bmp, data, TEmbedding::Matching, coins);
            CheckSteps(before, bmp, bpp, kSig + data + std::string(1, '\0'));
            for (int k = 0; k < 8 * static_cast<int>(kSig.size() + data.size() + 1); ++k) {
                const std::uint8_t was = before.ScanLine(k / 64)[(k % 64) * bpp + bpp - 1];
                const std::uint8_t now = bmp.ScanLine(k / 64)[(k % 64) * bpp + bpp - 1];
                if ((was & 1u) == (now & 1u)) continue;
                ASSERT_EQ(now, was == c.low ? c.lowUp : c.highDown) << "pixel " << k;
            }
        }
    }
}

TEST(LsbMatching, ReadsLikeReplacementAndTheSeedRepeatsARun) {
    const AnsiString memo = "Caf\xE9 au lait \x80\x81 and more";
    TBitmap replaced = Filled(50, 30, 24, 9);
    TBitmap matched = replaced;
    EncryptText(replaced, memo);
    TSeededRandom coins(42);
    InsertStegography(matched, EncryptPayload(memo), TEmbedding::Matching, coins);
    AnsiString a, b;
    ASSERT_TRUE(DecryptText(replaced, a));
    ASSERT_TRUE(DecryptText(matched, b));
    EXPECT_EQ(a, b);
    // Same stored bits, different pixel values.
    EXPECT_EQ(ReadStoredBytes(replaced, 200), ReadStoredBytes(matched, 200));
    EXPECT_FALSE(std::equal(replaced.Bits().begin(), replaced.Bits().end(), matched.Bits().begin()));

    TBitmap again = Filled(50, 30, 24, 9);
    TSeededRandom same(42);
    InsertStegography(again, EncryptPayload(memo), TEmbedding::Matching, same);
    EXPECT_TRUE(std::equal(again.Bits().begin(), again.Bits().end(), matched.Bits().begin()));

    // The program's own source: the system's random source.
    TBitmap system = Filled(50, 30, 24, 9);
    EncryptText(system, memo, TEmbedding::Matching);
    ASSERT_TRUE(DecryptText(system, b));
    EXPECT_EQ(b, memo);
}

TEST(LsbMatching, RefusalsAndLimitsAreThoseOfReplacement) {
    TBitmap palette(40, 40, 8);
    EXPECT_THROW(InsertStegography(palette, "x", TEmbedding::Matching), rtl::Exception);
    TBitmap small = Filled(8, 8, 24, 3);
    const TBitmap before = small;
    EXPECT_THROW(InsertStegography(small, "", TEmbedding::Matching), rtl::Exception);
    EXPECT_TRUE(std::equal(small.Bits().begin(), small.Bits().end(), before.Bits().begin()));
}

TEST(StegoRandom, SeededSourcesRepeatAndTheSystemSourceVaries) {
    TSeededRandom a(5), b(5), c(6);
    std::uint8_t x[37], y[37], z[37];
    a.Fill(x);
    b.Fill(y);
    c.Fill(z);
    EXPECT_TRUE(std::equal(std::begin(x), std::end(x), std::begin(y)));
    EXPECT_FALSE(std::equal(std::begin(x), std::end(x), std::begin(z)));
    // Two system sources have their own keys; one source never repeats a block.
    std::uint8_t s1[32] = {}, s2[32] = {}, s3[32] = {}, k[32] = {};
    const auto one = NewSystemRandom(), two = NewSystemRandom();
    one->Fill(s1);
    one->Fill(s2);
    two->Fill(s3);
    EXPECT_FALSE(std::equal(std::begin(s1), std::end(s1), std::begin(s2)));
    EXPECT_FALSE(std::equal(std::begin(s1), std::end(s1), std::begin(s3)));
    FillFromKernel(k);
    EXPECT_FALSE(std::all_of(std::begin(k), std::end(k), [](std::uint8_t b) { return b == 0; }));
}

TEST(StegoCodec, ReadStoredBytesGivesTheRawSequence) {
    TBitmap bmp = Filled(20, 20, 32, 4);
    InsertStegography(bmp, "ab");
    EXPECT_EQ(ReadStoredBytes(bmp, 33), kSig + "ab" + std::string(1, '\0'));
    EXPECT_EQ(ReadStoredBytes(bmp, 1000).size(), 50u);  // capacity
    EXPECT_THROW(ReadStoredBytes(TBitmap(8, 8, 8), 1), rtl::Exception);
}
