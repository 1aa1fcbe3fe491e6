#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "codec/PrjConst.h"
#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"

using namespace codec;
using bitmap::TBitmap;

namespace {

const std::string kSig = "Encrypt-Hidden-Text-Signature1";

// The carrier byte of pixel k, found the slow and obvious way.
std::uint8_t& Carrier(TBitmap& bmp, int k, int bpp) {
    return bmp.ScanLine(k / bmp.Width())[(k % bmp.Width()) * bpp + bpp - 1];
}

std::uint8_t CarrierOf(const TBitmap& bmp, int k, int bpp) {
    return bmp.ScanLine(k / bmp.Width())[(k % bmp.Width()) * bpp + bpp - 1];
}

// The bytes a reference reader finds: carrier bits, eight pixels a byte, lsb first.
std::string StoredBytes(TBitmap& bmp, int bpp, std::size_t count) {
    std::string out;
    for (std::size_t j = 0; j < count; ++j) {
        unsigned a = 0;
        for (int b = 0; b < 8; ++b) a |= (Carrier(bmp, static_cast<int>(8 * j) + b, bpp) & 1u) << b;
        out.push_back(static_cast<char>(a));
    }
    return out;
}

TBitmap Filled(int w, int h, int bitCount, std::uint32_t seed) {
    TBitmap bmp(w, h, bitCount);
    if (bitCount == 16) bmp.SetMasks({0xF800, 0x07E0, 0x001F, 0});
    std::mt19937 rng(seed);
    for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
    return bmp;
}

bool SameBits(const TBitmap& a, const TBitmap& b) {
    return std::equal(a.Bits().begin(), a.Bits().end(), b.Bits().begin(), b.Bits().end());
}

// Messages fetched while it lives come back as "#<id> <text>", to see which string was used.
class TaggedMessages {
public:
    TaggedMessages() {
        old_ = rtl::SetResStringLoader([](int id) -> std::optional<AnsiString> {
            if (id == STooLongStringToE.Id) return "#65241 %d/%d";
            return "#" + std::to_string(id);
        });
    }
    ~TaggedMessages() { rtl::SetResStringLoader(old_); }

private:
    rtl::ResStringLoader old_;
};

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const rtl::Exception& e) {
        return e.Message();
    }
    return "no error";
}

}  // namespace

TEST(StegoCodec, WorkedExampleBitForBit) {
    TBitmap bmp(24, 21, 24);
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 24; ++x) {
            bmp.ScanLine(y)[3 * x] = 0x10;
            bmp.ScanLine(y)[3 * x + 1] = 0x20;
            bmp.ScanLine(y)[3 * x + 2] = 0x7E;
        }
    EXPECT_EQ(Capacity(bmp), 63);
    EncryptText(bmp, "Hi");

    auto bits = [&](int first) {
        std::vector<int> v;
        for (int k = first; k < first + 8; ++k) v.push_back(Carrier(bmp, k, 3) & 1);
        return v;
    };
    EXPECT_EQ(bits(0), (std::vector<int>{1, 0, 1, 0, 0, 0, 1, 0}));
    EXPECT_EQ(bits(480), (std::vector<int>{0, 0, 0, 1, 0, 0, 1, 0}));
    EXPECT_EQ(bits(488), (std::vector<int>{1, 0, 0, 1, 0, 1, 1, 0}));
    EXPECT_EQ(bits(496), (std::vector<int>(8, 0)));
    EXPECT_EQ(StoredBytes(bmp, 3, 63), kSig + kSig + "Hi" + std::string(1, '\0'));
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 24; ++x) {
            const std::uint8_t* p = bmp.ScanLine(y) + 3 * x;
            ASSERT_EQ(p[0], 0x10);
            ASSERT_EQ(p[1], 0x20);
            ASSERT_TRUE(p[2] == 0x7E || p[2] == 0x7F);
        }
    EXPECT_EQ(bmp.ScanLine(0)[2], 0x7F);  // received a 1
    EXPECT_EQ(bmp.ScanLine(0)[5], 0x7E);  // received a 0

    AnsiString text = "junk";
    EXPECT_TRUE(DecryptText(bmp, text));
    EXPECT_EQ(text, "Hi");

    const TBitmap before = bmp;
    EXPECT_EQ(ErrorOf([&] { EncryptText(bmp, "Hi!!"); }), "Too long string to encrypt (Max: 63, Actual: 65)");
    EXPECT_TRUE(SameBits(bmp, before));
}

TEST(StegoCodec, CarrierByteOfEachAcceptedFormat) {
    struct Case {
        int bitCount;
        int bpp;
    };
    for (Case c : {Case{16, 2}, Case{24, 3}, Case{32, 4}}) {
        SCOPED_TRACE(c.bitCount);
        // 13 columns: most stored bytes cross a row end somewhere.
        TBitmap bmp = Filled(13, 31, c.bitCount, 3);
        const TBitmap before = bmp;
        EXPECT_EQ(CarrierBytesPerPixel(bmp), c.bpp);
        const AnsiString data = "row ends \x01\xFF";
        InsertStegography(bmp, data);
        const std::size_t count = kSig.size() + data.size() + 1;
        EXPECT_EQ(StoredBytes(bmp, c.bpp, count), kSig + data + std::string(1, '\0'));
        // Nothing but the lowest bit of carrier bytes in the used pixels has changed.
        for (int y = 0; y < 31; ++y)
            for (std::size_t i = 0; i < bmp.RowBytes(); ++i) {
                const std::size_t k = static_cast<std::size_t>(y) * 13 + i / static_cast<std::size_t>(c.bpp);
                const bool carrier = i % static_cast<std::size_t>(c.bpp) == static_cast<std::size_t>(c.bpp - 1) &&
                                     i < static_cast<std::size_t>(13 * c.bpp) && k < 8 * count;
                const unsigned diff = bmp.ScanLine(y)[i] ^ before.ScanLine(y)[i];
                ASSERT_EQ(diff & (carrier ? 0xFEu : 0xFFu), 0u) << "row " << y << " byte " << i;
            }
        AnsiString text;
        EXPECT_TRUE(ExtractStegography(bmp, text));
        EXPECT_EQ(text, data);
    }
}

TEST(StegoCodec, RefusedFormatsRaiseTheirOwnMessagesAndChangeNothing) {
    std::vector<TBitmap> refused;
    refused.emplace_back();                      // empty
    refused.emplace_back(40, 40, 1);
    refused.emplace_back(40, 40, 4);
    refused.emplace_back(40, 40, 8);
    refused.emplace_back(40, 40, 16);            // 5-5-5 without masks
    refused.emplace_back(40, 40, 16);
    refused.back().SetMasks({0x7C00, 0x03E0, 0x001F, 0});
    refused.emplace_back(40, 40, 32);
    refused.back().SetMasks({0xFF0000, 0xFF00, 0xFF, 0});
    for (TBitmap& bmp : refused) {
        SCOPED_TRACE(std::to_string(bmp.BitCount()) + (bmp.HasMasks() ? " masks" : ""));
        const TBitmap before = bmp;
        EXPECT_EQ(ErrorOf([&] { InsertStegography(bmp, "x"); }), "Cannot encrypt less than 16-bit color bmp's !");
        EXPECT_TRUE(SameBits(bmp, before));
        AnsiString text = "old";
        EXPECT_EQ(ErrorOf([&] { ExtractStegography(bmp, text); }), "Cannot encrypt less than 16-bit color bmp's !");
        EXPECT_TRUE(text.empty());
        TaggedMessages tagged;
        EXPECT_EQ(ErrorOf([&] { InsertStegography(bmp, "x"); }), "#65240");
        EXPECT_EQ(ErrorOf([&] { ExtractStegography(bmp, text); }), "#65238");
    }
    TBitmap small(8, 8, 24);
    TaggedMessages tagged;
    EXPECT_EQ(ErrorOf([&] { InsertStegography(small, ""); }), "#65241 8/31");
}

TEST(StegoCodec, CapacityLimitIsExact) {
    // 23 x 23 = 529 pixels: capacity 66, and the last pixel is never used.
    TBitmap bmp = Filled(23, 23, 24, 5);
    ASSERT_EQ(Capacity(bmp), 66);
    const std::uint8_t lastPixel = Carrier(bmp, 528, 3);
    const AnsiString fits(66 - 31, 'a');  // Count = 30 + 35 + 1 = Max
    InsertStegography(bmp, fits);
    EXPECT_EQ(Carrier(bmp, 528, 3), lastPixel);
    AnsiString text;
    EXPECT_TRUE(ExtractStegography(bmp, text));
    EXPECT_EQ(text, fits);
    const TBitmap before = bmp;
    EXPECT_EQ(ErrorOf([&] { InsertStegography(bmp, fits + "b"); }), "Too long string to encrypt (Max: 66, Actual: 67)");
    EXPECT_TRUE(SameBits(bmp, before));

    EXPECT_EQ(Capacity(TBitmap(7, 1, 24)), 0);
    EXPECT_EQ(Capacity(TBitmap(9, 7, 32)), 7);
}

TEST(StegoPayload, EncryptTrimsAndSignsDecryptReturnsTheText) {
    struct Case {
        AnsiString memo;
        AnsiString revealed;
    };
    const Case cases[] = {
        {"  Hi  \r\n\r\n", "Hi"},
        {"\t\x01 line one\r\nline two \x1F", "line one\r\nline two"},
        {"", ""},
        {" \r\n ", ""},
        {"\xE9t\xE9 \xA0", "\xE9t\xE9 \xA0"},  // bytes above 127 are not blanks
        {kSig + "after", "after"},              // a third signature is consumed like the others
        {kSig, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memo);
        TBitmap bmp = Filled(40, 40, 24, 9);
        EncryptText(bmp, c.memo);
        AnsiString text;
        EXPECT_TRUE(DecryptText(bmp, text));
        EXPECT_EQ(text, c.revealed);
    }
    EXPECT_EQ(EncryptPayload("  Hi  \r\n\r\n"), kSig + "Hi");

    // Empty text: exactly 61 bytes stored, the pixels after them untouched.
    TBitmap bmp = Filled(40, 40, 24, 10);
    const TBitmap before = bmp;
    EncryptText(bmp, "");
    EXPECT_EQ(StoredBytes(bmp, 3, 61), kSig + kSig + std::string(1, '\0'));
    for (int k = 61 * 8; k < 1600; ++k) ASSERT_EQ(Carrier(bmp, k, 3), CarrierOf(before, k, 3));

    // Every byte value but zero comes back unchanged.
    AnsiString all;
    for (int v = 33; v < 256; ++v) all.push_back(static_cast<char>(v));
    for (int v = 1; v <= 32; ++v) all.push_back(static_cast<char>(v));
    all = "x" + all + "x";
    TBitmap big = Filled(64, 64, 16, 12);
    EncryptText(big, all);
    AnsiString text;
    EXPECT_TRUE(DecryptText(big, text));
    EXPECT_EQ(text, all);
}

TEST(StegoCodec, ImagesWithoutHiddenText) {
    AnsiString text;
    EXPECT_FALSE(ExtractStegography(TBitmap(64, 64, 24), text)) << "freshly painted: zero byte at once";

    // First 30 non-zero bytes that are not the signature, then more: never found.
    TBitmap other(64, 64, 32);
    InsertStegography(other, "");  // the signature at bytes 0..29...
    Carrier(other, 0, 4) ^= 1;     // ...spoilt in its first byte
    EXPECT_FALSE(ExtractStegography(other, text));

    // No zero byte anywhere: every byte up to the capacity is read, and nothing found.
    TBitmap ones(13, 13, 24);
    for (int k = 0; k < 169; ++k) Carrier(ones, k, 3) = 1;
    EXPECT_FALSE(ExtractStegography(ones, text));
    EXPECT_EQ(text.size(), 21u);

    // A shorter text hidden over a longer one ends at its own zero byte.
    TBitmap twice = Filled(50, 50, 24, 13);
    EncryptText(twice, "a much longer first text");
    EncryptText(twice, "short");
    EXPECT_TRUE(DecryptText(twice, text));
    EXPECT_EQ(text, "short");
}

TEST(StegoCodec, BottomUpAndTopDownFilesKeepThePixelOrder) {
    for (int bitCount : {16, 24, 32}) {
        SCOPED_TRACE(bitCount);
        TBitmap bmp = Filled(31, 19, bitCount, 14);
        EncryptText(bmp, "order");
        std::vector<std::vector<std::uint8_t>> files;
        for (bool topDown : {false, true}) {
            bmp.FileInfo().TopDown = topDown;
            rtl::TMemoryStream s;
            bmp.SaveToStream(s);
            files.push_back(s.Bytes());
            s.SetPosition(0);
            TBitmap back;
            back.LoadFromStream(s);
            AnsiString text;
            EXPECT_TRUE(DecryptText(back, text));
            EXPECT_EQ(text, "order");
        }
        // Byte 0 (the signature's "E") lies in the top row: the last row of a bottom-up file and
        // the first of a top-down one.
        const std::size_t rowBytes = bmp.RowBytes(), bpp = static_cast<std::size_t>(bitCount / 8);
        const std::size_t pixelsAt = files[0].size() - rowBytes * 19;
        auto firstByte = [&](const std::vector<std::uint8_t>& f, std::size_t rowStart) {
            unsigned a = 0;
            for (std::size_t b = 0; b < 8; ++b) a |= (f[rowStart + b * bpp + bpp - 1] & 1u) << b;
            return a;
        };
        EXPECT_EQ(firstByte(files[0], pixelsAt + rowBytes * 18), 0x45u);
        EXPECT_EQ(firstByte(files[1], pixelsAt), 0x45u);
    }
}
