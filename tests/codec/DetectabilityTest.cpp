// The point of LSB matching: the chi-square attack on pairs of values (Westfeld and Pfitzmann)
// flags a cover fully embedded by replacement and does not flag the same cover embedded by
// matching. The sample-pairs estimate of the embedded fraction is printed beside it.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "codec/StegoRandom.h"
#include "platform/bitmap/Bitmap.h"

using namespace codec;
using bitmap::TBitmap;

namespace {

// Regularised lower incomplete gamma function P(a, x) (series below a + 1, continued fraction
// above), enough for the chi-square distribution function.
double GammaP(double a, double x) {
    if (x <= 0) return 0;
    const double lnPrefix = a * std::log(x) - x - std::lgamma(a);
    if (x < a + 1) {
        double sum = 1 / a, term = sum;
        for (int n = 1; n < 10000; ++n) {
            term *= x / (a + n);
            sum += term;
            if (std::abs(term) < std::abs(sum) * 1e-15) break;
        }
        return sum * std::exp(lnPrefix);
    }
    double b = x + 1 - a, c = 1e300, d = 1 / b, h = d;
    for (int i = 1; i < 10000; ++i) {
        const double an = -i * (i - a);
        b += 2;
        d = an * d + b;
        if (std::abs(d) < 1e-300) d = 1e-300;
        c = b + an / c;
        if (std::abs(c) < 1e-300) c = 1e-300;
        d = 1 / d;
        const double delta = d * c;
        h *= delta;
        if (std::abs(delta - 1) < 1e-15) break;
    }
    return 1 - std::exp(lnPrefix) * h;
}

// The carrier bytes of the first `count` pixels in embedding order (24-bit: the red byte).
std::vector<std::uint8_t> Carriers(const TBitmap& bmp, std::size_t count) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < bmp.Height() && out.size() < count; ++y)
        for (int x = 0; x < bmp.Width() && out.size() < count; ++x) out.push_back(bmp.ScanLine(y)[3 * x + 2]);
    return out;
}

// The chi-square attack: for every pair of values (2i, 2i + 1) whose expected count is large
// enough, compare the count of 2i with the pair's mean. Full replacement with balanced bits makes
// the two equal, so the statistic is small and the probability of embedding near 1.
double ChiSquareEmbeddingProbability(const std::vector<std::uint8_t>& samples) {
    std::array<double, 256> histogram{};
    for (std::uint8_t v : samples) histogram[v] += 1;
    double chi = 0;
    int categories = 0;
    for (int i = 0; i < 128; ++i) {
        const double expected = (histogram[2 * i] + histogram[2 * i + 1]) / 2;
        if (expected <= 4) continue;
        const double d = histogram[2 * i] - expected;
        chi += d * d / expected;
        ++categories;
    }
    if (categories < 2) return 0;
    return 1 - GammaP((categories - 1) / 2.0, chi / 2);
}

// Sample pairs analysis (Dumitrescu, Wu and Wang) over horizontally adjacent carriers: the
// estimated fraction of carriers that carry a message embedded by replacement.
double SamplePairsEstimate(const TBitmap& bmp) {
    double x = 0, y = 0, z = 0, w = 0, pairs = 0;
    for (int row = 0; row < bmp.Height(); ++row)
        for (int col = 0; col + 1 < bmp.Width(); ++col) {
            const int u = bmp.ScanLine(row)[3 * col + 2], v = bmp.ScanLine(row)[3 * col + 5];
            ++pairs;
            if ((v % 2 == 0 && u < v) || (v % 2 == 1 && u > v)) ++x;
            if ((v % 2 == 0 && u > v) || (v % 2 == 1 && u < v)) {
                ++y;
                if (u / 2 == v / 2) ++w;
            }
            if (u == v) ++z;
        }
    const double a = (w + z) / 2, b = 2 * x - pairs, c = y - x;
    if (a == 0) return 0;
    const double disc = std::max(0.0, b * b - 4 * a * c);
    const double r1 = (-b + std::sqrt(disc)) / (2 * a), r2 = (-b - std::sqrt(disc)) / (2 * a);
    return std::min(r1, r2);
}

// A natural-looking cover: soft patches at their own brightness, each with a gentle gradient,
// blended at their edges, with mild sensor noise. (One wide smooth gradient would not do: its
// histogram is flat, and the pairs test flags a flat histogram even when nothing is hidden.)
TBitmap NaturalCover(int w, int h) {
    TBitmap bmp(w, h, 24);
    std::mt19937 rng(2024);
    std::normal_distribution<double> noise(0, 1.2);
    struct Patch {
        double cx, cy, radius, level, gx, gy;
    };
    std::uniform_real_distribution<double> unit(0, 1);
    std::vector<Patch> patches;
    for (int i = 0; i < 9; ++i)
        patches.push_back({unit(rng) * w, unit(rng) * h, 30 + unit(rng) * 60, 40 + unit(rng) * 170,
                           (unit(rng) - 0.5) * 0.12, (unit(rng) - 0.5) * 0.12});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double sum = 0, weights = 0;
            for (const Patch& p : patches) {
                const double d2 = ((x - p.cx) * (x - p.cx) + (y - p.cy) * (y - p.cy)) / (p.radius * p.radius);
                const double weight = std::exp(-4 * d2) + 1e-9;
                sum += weight * (p.level + p.gx * (x - p.cx) + p.gy * (y - p.cy));
                weights += weight;
            }
            std::uint8_t* px = bmp.ScanLine(y) + 3 * x;
            for (int ch = 0; ch < 3; ++ch) {
                const double v = sum / weights * (0.8 + 0.15 * ch) + noise(rng);
                px[ch] = static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
            }
        }
    return bmp;
}

// A text of varied bytes (no zero, no blank at either end) that fills the image.
AnsiString VariedText(std::size_t size) {
    std::mt19937 rng(99);
    AnsiString text;
    while (text.size() < size) {
        const auto b = static_cast<char>(1 + rng() % 255);
        if ((text.empty() || text.size() + 1 == size) && static_cast<unsigned char>(b) <= 32) continue;
        text.push_back(b);
    }
    return text;
}

}  // namespace

TEST(Detectability, ChiSquareFlagsReplacementButNotMatching) {
    const TBitmap cover = NaturalCover(256, 256);
    const std::size_t carriers = 8 * static_cast<std::size_t>(Capacity(cover));
    const AnsiString text = VariedText(static_cast<std::size_t>(Capacity(cover)) - 61);

    TBitmap replaced = cover, matched = cover;
    EncryptText(replaced, text);
    TSeededRandom coins(17);
    InsertStegography(matched, EncryptPayload(text), TEmbedding::Matching, coins);

    const double clean = ChiSquareEmbeddingProbability(Carriers(cover, carriers));
    const double byReplacement = ChiSquareEmbeddingProbability(Carriers(replaced, carriers));
    const double byMatching = ChiSquareEmbeddingProbability(Carriers(matched, carriers));
    const double spaClean = SamplePairsEstimate(cover), spaReplaced = SamplePairsEstimate(replaced),
                 spaMatched = SamplePairsEstimate(matched);
    std::printf("chi-square p: clean %.4f, replacement %.4f, matching %.4f\n", clean, byReplacement, byMatching);
    std::printf("sample pairs estimate: clean %.3f, replacement %.3f, matching %.3f\n", spaClean, spaReplaced,
                spaMatched);
    EXPECT_LT(clean, 0.5);
    EXPECT_GT(byReplacement, 0.95);
    EXPECT_LT(byMatching, 0.5);
    // Sample pairs sees replacement at about the full rate and matching hardly at all.
    EXPECT_GT(spaReplaced, 0.8);
    EXPECT_LT(spaMatched, 0.3);

    AnsiString a, b;
    ASSERT_TRUE(DecryptText(replaced, a));
    ASSERT_TRUE(DecryptText(matched, b));
    EXPECT_EQ(a, text);
    EXPECT_EQ(b, text);
}

TEST(Detectability, TheDetectorItself) {
    // Its distribution function at known points, and a flat histogram flagged as the attack
    // expects.
    EXPECT_NEAR(GammaP(0.5, 3.841 / 2), 0.95, 1e-3);  // chi-square, 1 degree of freedom
    EXPECT_NEAR(GammaP(5, 18.307 / 2), 0.95, 1e-3);   // 10 degrees of freedom
    std::vector<std::uint8_t> flat;
    for (int i = 0; i < 20000; ++i) flat.push_back(static_cast<std::uint8_t>(i % 256));
    EXPECT_GT(ChiSquareEmbeddingProbability(flat), 0.99);
    std::vector<std::uint8_t> skewed;
    for (int i = 0; i < 20000; ++i) skewed.push_back(static_cast<std::uint8_t>((i % 100) * 2));
    EXPECT_LT(ChiSquareEmbeddingProbability(skewed), 0.01);
}
