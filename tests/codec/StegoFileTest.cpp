#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include "codec/PassphraseCrypto.h"
#include "codec/StegoCodec.h"
#include "codec/StegoFile.h"
#include "codec/StegoPayload.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "tests/bitmap/BmpTestFiles.h"

using namespace codec;
using bitmap::TBitmap;
using bitmap::TBmpHeader;

#include "tests/support/TempFolder.h"

namespace {

const std::string kSig = "Encrypt-Hidden-Text-Signature1";

class StegoFile : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.Path(name); }
    std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) const { return folder_.Put(name, bytes); }
    std::string Put(const std::string& name, const TBitmap& bmp) const {
        bmp.SaveToFile(Path(name));
        return Path(name);
    }
    static std::vector<std::uint8_t> Get(const std::string& path) { return testutil::TTempFolder::Get(path); }

    // What a command gives the whole way (load, codec, save) and by TCarrierFile: the output
    // file's bytes, the answer, or the error's message.
    std::string FullHide(const std::string& in, const AnsiString& text) const {
        return Outcome([&] {
            TBitmap bmp;
            bmp.LoadFromFile(in);
            EncryptText(bmp, text);
            bmp.SaveToFile(Path("full.bmp"));
            return Bytes(Path("full.bmp"));
        });
    }
    std::string FileHide(const std::string& in, const AnsiString& text) const {
        return Outcome([&] {
            TCarrierFile carrier(in);
            carrier.Hide(text, Path("part.bmp"));
            return Bytes(Path("part.bmp"));
        });
    }
    static std::string FullReveal(const std::string& in) {
        return Outcome([&] {
            TBitmap bmp;
            bmp.LoadFromFile(in);
            AnsiString text;
            return DecryptText(bmp, text) ? "found: " + text : std::string("none");
        });
    }
    static std::string FileReveal(const std::string& in) {
        return Outcome([&] {
            AnsiString text;
            return TCarrierFile(in).Reveal(text) ? "found: " + text : std::string("none");
        });
    }
    static std::string FullCapacity(const std::string& in) {
        return Outcome([&] {
            TBitmap bmp;
            bmp.LoadFromFile(in);
            return std::to_string(Capacity(bmp));
        });
    }
    static std::string FileCapacity(const std::string& in) {
        return Outcome([&] { return std::to_string(TCarrierFile(in).Capacity()); });
    }

    // Every command both ways on one file.
    void ExpectSameEverywhere(const std::string& in, const std::vector<AnsiString>& texts) {
        EXPECT_EQ(FileCapacity(in), FullCapacity(in));
        EXPECT_EQ(FileReveal(in), FullReveal(in));
        for (const AnsiString& text : texts) {
            const std::string hidden = FileHide(in, text);
            EXPECT_EQ(hidden, FullHide(in, text)) << "text of " << text.size() << " bytes";
            if (hidden.rfind("file ", 0) == 0) {
                EXPECT_EQ(FileReveal(Path("part.bmp")), FullReveal(Path("part.bmp")));
            }
        }
    }

private:
    static std::string Bytes(const std::string& path) {
        const std::vector<std::uint8_t> b = Get(path);
        return "file " + std::string(b.begin(), b.end());
    }
    static std::string Outcome(const std::function<std::string()>& f) {
        try {
            return f();
        } catch (const rtl::Exception& e) {
            return "error: " + e.Message();
        }
    }

    testutil::TTempFolder folder_{"vlmrk-stegofile"};
};

struct Format {
    TBmpHeader header;
    int bitCount;
    bool topDown;
};

const Format kCarrierFormats[] = {
    {TBmpHeader::Info, 16, false}, {TBmpHeader::V5, 16, true}, {TBmpHeader::Info, 24, false},
    {TBmpHeader::Info, 24, true},  {TBmpHeader::Core, 24, false}, {TBmpHeader::Info, 32, false},
    {TBmpHeader::V4, 32, true},
};

TBitmap Random(const Format& f, int width, int height, std::uint32_t seed) {
    TBitmap bmp(width, height, f.bitCount);
    bmp.FileInfo().Header = f.header;
    bmp.FileInfo().TopDown = f.topDown;
    if (f.bitCount == 16) bmp.SetMasks({0xF800, 0x07E0, 0x001F, 0});
    std::mt19937 rng(seed);
    for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
    return bmp;
}

// Sets the stored bytes from the top-left pixel on, as the codec lays them out.
void Store(TBitmap& bmp, const std::string& bytes) {
    const int bpp = CarrierBytesPerPixel(bmp);
    for (std::size_t k = 0; k < 8 * bytes.size(); ++k) {
        const int p = static_cast<int>(k);
        std::uint8_t& carrier = bmp.ScanLine(p / bmp.Width())[(p % bmp.Width()) * bpp + bpp - 1];
        carrier = static_cast<std::uint8_t>((carrier & 0xFE) | ((bytes[k / 8] >> (k % 8)) & 1));
    }
}

}  // namespace

TEST_F(StegoFile, HideRevealAndCapacityAgreeWithTheWholeBitmapOnEveryCarrierFormat) {
    std::uint32_t seed = 1;
    for (const Format& f : kCarrierFormats) {
        for (int width : {1, 3, 7, 13, 33}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(f.header)) + "/" + std::to_string(f.bitCount) +
                         (f.topDown ? " top-down" : " bottom-up") + " width " + std::to_string(width));
            const int height = 800 / width + 9;  // room for a few rows of text and more
            const TBitmap bmp = Random(f, width, height, ++seed);
            const std::string in = Put("in.bmp", bmp);
            ASSERT_TRUE(TCarrierFile(in).ByRows());
            const std::size_t capacity = static_cast<std::size_t>(width * height / 8);
            const std::size_t fill = capacity - kSig.size() - kSig.size() - 1;  // what Encrypt can still hide
            ExpectSameEverywhere(in, {"", " hello\r\n", AnsiString(fill, 'x'), AnsiString(fill + 1, 'x'),
                                      AnsiString(fill / 2, 'y') + "  "});
        }
    }
}

TEST_F(StegoFile, RevealStopsWhereTheCodecStops) {
    const Format f{TBmpHeader::Info, 24, false};
    struct Case {
        std::string stored;  // from the first pixel; the rest of the picture stays random
        const char* what;
    };
    const Case cases[] = {
        {kSig + kSig + "text" + std::string(1, '\0'), "the usual double signature"},
        {kSig + "once" + std::string(1, '\0'), "one signature"},
        {kSig + kSig + kSig + std::string(1, '\0'), "only signatures"},
        {kSig.substr(0, 12) + std::string(1, '\0'), "a zero inside the signature"},
        {"Encrypt-Hidden-Text-Signature2" + std::string(1, '\0'), "almost the signature"},
        {kSig + std::string(2000, 'z'), "no zero byte until the end of the picture"},
        {kSig + kSig.substr(0, 29) + "!more" + std::string(1, '\0'), "a second signature that breaks off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int width : {9, 64}) {
            TBitmap bmp = Random(f, width, 250, 77);
            const std::size_t room = static_cast<std::size_t>(width) * 250 / 8;
            Store(bmp, c.stored.substr(0, room));
            const std::string in = Put("in.bmp", bmp);
            EXPECT_EQ(FileReveal(in), FullReveal(in)) << "width " << width;
        }
    }
    // A plain picture: no text, found after the first bytes.
    const std::string plain = Put("plain.bmp", Random(f, 1000, 1000, 5));
    EXPECT_EQ(FileReveal(plain), "none");
}

TEST_F(StegoFile, OtherFormatsAndDamagedFilesGoTheWholeWay) {
    std::vector<TBitmap> refused;
    refused.emplace_back(40, 40, 8);
    refused.emplace_back(40, 40, 16);  // 5-5-5
    refused.emplace_back(40, 40, 32);
    refused.back().SetMasks({0xFF0000, 0xFF00, 0xFF, 0});
    for (const TBitmap& bmp : refused) {
        SCOPED_TRACE(std::to_string(bmp.BitCount()) + (bmp.HasMasks() ? " masks" : ""));
        const std::string in = Put("refused.bmp", bmp);
        EXPECT_FALSE(TCarrierFile(in).ByRows());
        ExpectSameEverywhere(in, {"x"});
    }

    bmptest::InfoFile rle;
    rle.width = 4;
    rle.height = 1;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.palette = {0, 0xFFFFFF};
    rle.colorsUsed = 2;
    rle.pixels = {4, 1, 0, 1};
    const std::vector<std::uint8_t> rleFile = bmptest::Build(rle);
    const std::vector<std::uint8_t> carrier = Get(Put("c.bmp", Random({TBmpHeader::V5, 16, true}, 5, 3, 9)));
    for (const auto* file : {&rleFile, &carrier}) {
        for (std::size_t n = 0; n <= file->size(); ++n) {
            SCOPED_TRACE("cut at " + std::to_string(n));
            const std::string in = Put("cut.bmp", {file->begin(), file->begin() + static_cast<std::ptrdiff_t>(n)});
            EXPECT_EQ(FileCapacity(in), FullCapacity(in));
            EXPECT_EQ(FileReveal(in), FullReveal(in));
            EXPECT_EQ(FileHide(in, "abc"), FullHide(in, "abc"));
        }
    }
    EXPECT_EQ(FileReveal(Path("missing.bmp")), FullReveal(Path("missing.bmp")));
}

TEST_F(StegoFile, MatchingAndPassphrasesByRowsGiveTheTextBackAndTouchOnlyItsRows) {
    const Format f{TBmpHeader::Info, 24, false};
    const TBitmap bmp = Random(f, 64, 300, 21);
    const std::string in = Put("in.bmp", bmp);
    const std::vector<std::uint8_t> original = Get(in);
    const AnsiString text = "  a text hidden by LSB matching\r\n";
    const std::string trimmed = "a text hidden by LSB matching";

    TCarrierFile(in).Hide(text, Path("matched.bmp"), TEmbedding::Matching);
    EXPECT_EQ(FileReveal(Path("matched.bmp")), "found: " + trimmed);
    EXPECT_EQ(FullReveal(Path("matched.bmp")), "found: " + trimmed);

    TCarrierFile(in).Hide(text, Path("sealed.bmp"), TEmbedding::Matching, AnsiString("correct horse"));
    AnsiString hidden;
    ASSERT_TRUE(TCarrierFile(Path("sealed.bmp")).Reveal(hidden));
    ASSERT_TRUE(IsSealedText(hidden));
    EXPECT_EQ(OpenSealedText(hidden, "correct horse"), trimmed);

    // Rows past the stored bytes are the input's, byte for byte, whatever the embedding.
    for (const char* name : {"matched.bmp", "sealed.bmp"}) {
        const std::vector<std::uint8_t> out = Get(Path(name));
        ASSERT_EQ(out.size(), original.size());
        const std::size_t rowBytes = 64 * 3, textRows = 40;  // more than the sealed text needs
        // Bottom-up: the top rows are the last in the file.
        EXPECT_TRUE(std::equal(out.begin(), out.end() - static_cast<std::ptrdiff_t>(textRows * rowBytes),
                               original.begin()))
            << name;
    }
}
