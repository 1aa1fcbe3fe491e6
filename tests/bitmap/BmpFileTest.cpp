#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include <unistd.h>

#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/BmpFile.h"
#include "platform/rtl/Streams.h"
#include "tests/bitmap/BmpTestFiles.h"

using namespace bitmap;
using bmptest::Build;
using bmptest::Bytes;
using bmptest::InfoFile;

namespace {

TBitmap Load(const std::vector<std::uint8_t>& bytes) {
    rtl::TReadOnlyStream s(bytes);
    TBitmap bmp;
    bmp.LoadFromStream(s);
    return bmp;
}

std::vector<std::uint8_t> Save(const TBitmap& bmp) {
    rtl::TMemoryStream s;
    bmp.SaveToStream(s);
    return s.Bytes();
}

// BGRA of pixel (x, y), y = 0 the top row.
std::vector<unsigned> Pixel(const TBitmap& bmp, int x, int y) {
    auto all = bmp.ToBGRA();
    std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(bmp.Width()) + static_cast<std::size_t>(x)) * 4;
    return {all[at], all[at + 1], all[at + 2], all[at + 3]};
}

std::string LoadError(const std::vector<std::uint8_t>& bytes) {
    try {
        Load(bytes);
    } catch (const EInvalidGraphic& e) {
        return e.Message();
    }
    return "loaded";
}

// The code of the check that refused the bytes, or "loaded".
std::string LoadCode(const std::vector<std::uint8_t>& bytes) {
    try {
        Load(bytes);
    } catch (const EInvalidGraphic& e) {
        return std::string(e.Code());
    }
    return "loaded";
}

// A 2 x 2 24-bit picture: top row red, green; bottom row blue, white.
InfoFile Rgb24(bool topDown) {
    InfoFile f;
    f.width = 2;
    f.height = topDown ? -2 : 2;
    std::vector<std::uint8_t> top = {0, 0, 255, 0, 255, 0, 0, 0};
    std::vector<std::uint8_t> bottom = {255, 0, 0, 255, 255, 255, 0, 0};
    f.pixels = topDown ? top : bottom;
    f.pixels.insert(f.pixels.end(), (topDown ? bottom : top).begin(), (topDown ? bottom : top).end());
    return f;
}

// An 8-bit RLE picture, 4 x 3, with a run, a literal, a delta and end marks.
InfoFile Rle8() {
    InfoFile f;
    f.width = 4;
    f.height = 3;
    f.bitCount = 8;
    f.compression = 1;
    f.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    f.colorsUsed = 4;
    // Bottom row: a run of 4 x index 1, end of line. Middle row: literal 2, 3, 2 (padded), end of
    // line. Top row: move right by 2, a run of 2 x index 3, end of bitmap.
    f.pixels = {4, 1, 0, 0,  0, 3, 2, 3, 2, 0, 0, 0,  0, 2, 2, 0, 2, 3, 0, 1};
    f.sizeImage = static_cast<std::uint32_t>(f.pixels.size());
    return f;
}

}  // namespace

TEST(BmpRead, RowZeroIsTheTopRowInEitherOrder) {
    for (bool topDown : {false, true}) {
        TBitmap bmp = Load(Build(Rgb24(topDown)));
        EXPECT_EQ(bmp.FileInfo().TopDown, topDown);
        ASSERT_EQ(bmp.Width(), 2);
        ASSERT_EQ(bmp.Height(), 2);
        EXPECT_EQ(bmp.RowBytes(), 8u);
        EXPECT_EQ(Pixel(bmp, 0, 0), (std::vector<unsigned>{0, 0, 255, 255}));
        EXPECT_EQ(Pixel(bmp, 1, 0), (std::vector<unsigned>{0, 255, 0, 255}));
        EXPECT_EQ(Pixel(bmp, 0, 1), (std::vector<unsigned>{255, 0, 0, 255}));
        EXPECT_EQ(bmp.ScanLine(1)[3], 255);
    }
}

TEST(BmpRead, PaletteFormatsAndTheCoreHeader) {
    // Core header, 8 bits, 3-byte palette entries, 3 x 1 pixels.
    Bytes core;
    core.Raw({'B', 'M'}).U32(14 + 12 + 256 * 3 + 4).U32(0).U32(14 + 12 + 256 * 3);
    core.U32(12).U16(3).U16(1).U16(1).U16(8);
    for (unsigned i = 0; i < 256; ++i) core.U8(i).U8(255 - i).U8(7);
    core.Raw({0, 1, 200, 0});
    TBitmap c = Load(core.b);
    EXPECT_EQ(c.FileInfo().Header, TBmpHeader::Core);
    EXPECT_EQ(c.BitCount(), 8);
    EXPECT_EQ(c.Palette().size(), 256u);
    EXPECT_EQ(Pixel(c, 2, 0), (std::vector<unsigned>{200, 55, 7, 255}));
    EXPECT_EQ(Save(c), core.b) << "a core file is written back as it was";

    // 1 bit, 9 pixels wide: the ninth pixel is the top bit of the second byte.
    InfoFile one;
    one.width = 9;
    one.bitCount = 1;
    one.palette = {0x102030, 0xFFFFFF};
    one.pixels = {0x80, 0x80, 0, 0};
    TBitmap b1 = Load(Build(one));
    EXPECT_EQ(Pixel(b1, 0, 0), (std::vector<unsigned>{255, 255, 255, 255}));
    EXPECT_EQ(Pixel(b1, 1, 0), (std::vector<unsigned>{0x30, 0x20, 0x10, 255}));
    EXPECT_EQ(Pixel(b1, 8, 0), (std::vector<unsigned>{255, 255, 255, 255}));

    // 4 bits with a short palette: an index past it is drawn black, not read past the table.
    InfoFile four;
    four.width = 3;
    four.bitCount = 4;
    four.colorsUsed = 2;
    four.palette = {0x0000FF, 0x00FF00};
    four.pixels = {0x1F, 0x00, 0, 0};
    TBitmap b4 = Load(Build(four));
    EXPECT_EQ(b4.Palette().size(), 2u);
    EXPECT_EQ(Pixel(b4, 0, 0), (std::vector<unsigned>{0, 255, 0, 255}));
    EXPECT_EQ(Pixel(b4, 1, 0), (std::vector<unsigned>{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(b4, 2, 0), (std::vector<unsigned>{255, 0, 0, 255}));
    EXPECT_EQ(Save(b4), Build(four));
}

TEST(BmpRead, SixteenAndThirtyTwoBitsWithAndWithoutMasks) {
    InfoFile plain16;
    plain16.width = 2;
    plain16.bitCount = 16;
    plain16.pixels = {0x00, 0x7C, 0x1F, 0x00};  // 5-5-5: red, blue
    TBitmap a = Load(Build(plain16));
    EXPECT_FALSE(a.HasMasks());
    EXPECT_EQ(Pixel(a, 0, 0), (std::vector<unsigned>{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(a, 1, 0), (std::vector<unsigned>{255, 0, 0, 255}));

    InfoFile m565 = plain16;
    m565.compression = 3;
    m565.masks = {0xF800, 0x07E0, 0x001F};
    m565.pixels = {0xE0, 0x07, 0x20, 0x00};  // green full; green 1 of 63
    TBitmap b = Load(Build(m565));
    ASSERT_TRUE(b.HasMasks());
    EXPECT_EQ(b.Masks(), (TColorMasks{0xF800, 0x07E0, 0x001F, 0}));
    EXPECT_EQ(Pixel(b, 0, 0), (std::vector<unsigned>{0, 255, 0, 255}));
    EXPECT_EQ(Pixel(b, 1, 0), (std::vector<unsigned>{0, 4, 0, 255}));
    EXPECT_EQ(Save(b), Build(m565));

    // 32 bits without masks: the fourth byte is not alpha.
    InfoFile x32;
    x32.bitCount = 32;
    x32.pixels = {1, 2, 3, 0};
    EXPECT_EQ(Pixel(Load(Build(x32)), 0, 0), (std::vector<unsigned>{1, 2, 3, 255}));

    // V5 header with masks inside it, alpha included, and an embedded profile after the pixels.
    InfoFile v5 = x32;
    v5.headerSize = 124;
    v5.compression = 3;
    v5.height = -1;
    v5.masks = {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF};
    v5.pixels = {0x80, 0x10, 0x20, 0x30};
    Bytes tail;
    tail.U32(0x4D424544).Zeros(48).U32(4).U32(124 + 4).U32(3).U32(0);
    v5.headerTail = tail.b;
    v5.trailer = {'i', 'c', 'c'};
    TBitmap c = Load(Build(v5));
    EXPECT_EQ(c.FileInfo().Header, TBmpHeader::V5);
    EXPECT_TRUE(c.FileInfo().TopDown);
    EXPECT_EQ(c.FileInfo().Profile, (std::vector<std::uint8_t>{'i', 'c', 'c'}));
    EXPECT_EQ(Pixel(c, 0, 0), (std::vector<unsigned>{0x30, 0x20, 0x10, 0x80}));
    EXPECT_EQ(Save(c), Build(v5));
}

TEST(BmpRead, RunLengthDataDecodesToItsPaletteFormat) {
    TBitmap bmp = Load(Build(Rle8()));
    EXPECT_EQ(bmp.BitCount(), 8);
    const std::vector<std::vector<std::uint8_t>> rows = {{0, 0, 3, 3}, {2, 3, 2, 0}, {1, 1, 1, 1}};
    for (int y = 0; y < 3; ++y)
        EXPECT_EQ(std::vector<std::uint8_t>(bmp.ScanLine(y), bmp.ScanLine(y) + 4), rows[static_cast<std::size_t>(y)])
            << "row " << y;

    // RLE4: a run alternates the two nibbles; a literal of 3 pixels is padded to a word.
    InfoFile f;
    f.width = 5;
    f.height = 2;
    f.bitCount = 4;
    f.compression = 2;
    f.palette.assign(16, 0);
    f.pixels = {5, 0x12, 0, 0, 0, 3, 0x45, 0x60, 0, 1};
    f.sizeImage = static_cast<std::uint32_t>(f.pixels.size());
    TBitmap b4 = Load(Build(f));
    EXPECT_EQ(std::vector<std::uint8_t>(b4.ScanLine(1), b4.ScanLine(1) + 3), (std::vector<std::uint8_t>{0x12, 0x12, 0x10}));
    EXPECT_EQ(std::vector<std::uint8_t>(b4.ScanLine(0), b4.ScanLine(0) + 3), (std::vector<std::uint8_t>{0x45, 0x60, 0x00}));

    // Saved uncompressed, same pixels.
    TBitmap again = Load(Save(bmp));
    EXPECT_EQ(std::vector<std::uint8_t>(again.Bits().begin(), again.Bits().end()),
              std::vector<std::uint8_t>(bmp.Bits().begin(), bmp.Bits().end()));

    // Runs past the right edge and moves past the top are clipped, never written outside.
    InfoFile wild = Rle8();
    wild.pixels = {255, 9, 0, 2, 255, 255, 7, 7, 0, 1};
    wild.sizeImage = static_cast<std::uint32_t>(wild.pixels.size());
    TBitmap clipped = Load(Build(wild));
    EXPECT_EQ(clipped.ScanLine(2)[3], 9);
}

TEST(BmpWrite, EveryFormatRoundTripsExactly) {
    struct Case {
        TBmpHeader header;
        int bitCount;
        TColorMasks masks;
        bool withMasks;
        bool topDown;
        std::size_t paletteSize;
    };
    const Case cases[] = {
        {TBmpHeader::Core, 1, {}, false, false, 2},     {TBmpHeader::Core, 4, {}, false, false, 16},
        {TBmpHeader::Core, 8, {}, false, false, 256},   {TBmpHeader::Core, 24, {}, false, false, 0},
        {TBmpHeader::Info, 1, {}, false, true, 2},      {TBmpHeader::Info, 4, {}, false, false, 5},
        {TBmpHeader::Info, 8, {}, false, true, 256},    {TBmpHeader::Info, 8, {}, false, false, 17},
        {TBmpHeader::Info, 16, {}, false, false, 0},    {TBmpHeader::Info, 16, {0xF800, 0x07E0, 0x1F, 0}, true, true, 0},
        {TBmpHeader::Info, 16, {0x7C00, 0x03E0, 0x1F, 0x8000}, true, false, 0},
        {TBmpHeader::Info, 24, {}, false, true, 0},     {TBmpHeader::Info, 32, {}, false, false, 0},
        {TBmpHeader::Info, 32, {0xFF0000, 0xFF00, 0xFF, 0}, true, false, 0},
        {TBmpHeader::V2, 16, {0xF800, 0x07E0, 0x1F, 0}, true, false, 0},
        {TBmpHeader::V3, 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}, true, true, 0},
        {TBmpHeader::V4, 24, {}, false, false, 0},      {TBmpHeader::V4, 16, {0xF800, 0x07E0, 0x1F, 0}, true, true, 0},
        {TBmpHeader::V5, 8, {}, false, false, 256},     {TBmpHeader::V5, 32, {0xFF, 0xFF00, 0xFF0000, 0}, true, false, 0},
    };
    std::mt19937 rng(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.header)) + "/" + std::to_string(c.bitCount) +
                     (c.withMasks ? " masks" : "") + (c.topDown ? " top-down" : ""));
        TBitmap bmp(13, 5, c.bitCount);
        bmp.FileInfo().Header = c.header;
        bmp.FileInfo().TopDown = c.topDown;
        if (c.withMasks) bmp.SetMasks(c.masks);
        if (c.bitCount <= 8) {
            std::vector<TPaletteEntry> pal(c.paletteSize);
            for (auto& e : pal) e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), 0};
            bmp.SetPalette(pal);
        }
        for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
        const std::vector<std::uint8_t> file = Save(bmp);
        TBitmap back = Load(file);
        EXPECT_EQ(back.Width(), 13);
        EXPECT_EQ(back.Height(), 5);
        EXPECT_EQ(back.BitCount(), c.bitCount);
        EXPECT_EQ(back.HasMasks(), c.withMasks);
        EXPECT_EQ(back.Masks(), c.withMasks ? c.masks : TColorMasks{});
        EXPECT_EQ(back.Palette(), bmp.Palette());
        EXPECT_EQ(back.FileInfo().Header, c.header);
        EXPECT_EQ(back.FileInfo().TopDown, c.topDown);
        EXPECT_TRUE(std::equal(back.Bits().begin(), back.Bits().end(), bmp.Bits().begin(), bmp.Bits().end()));
        EXPECT_EQ(Save(back), file);
    }
}

TEST(BmpWrite, FilesAreReplacedWholeOrNotAtAll) {
    auto dir = std::filesystem::temp_directory_path() / ("vlmrk-bmp-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.bmp").string();
    TBitmap bmp = Load(Build(Rgb24(false)));
    bmp.SaveToFile(path);
    TBitmap back;
    back.LoadFromFile(path);
    EXPECT_EQ(Save(back), Build(Rgb24(false)));

    // A bitmap that cannot be written leaves the old file as it was.
    EXPECT_THROW(TBitmap().SaveToFile(path), EInvalidGraphic);
    back.LoadFromFile(path);
    EXPECT_EQ(Save(back), Build(Rgb24(false)));
    EXPECT_THROW(bmp.SaveToFile((dir / "missing" / "b.bmp").string()), rtl::Exception);
    EXPECT_THROW(back.LoadFromFile((dir / "missing.bmp").string()), rtl::Exception);
    EXPECT_EQ(back.Width(), 2) << "a failed load keeps the bitmap";
    std::filesystem::remove_all(dir);
}

TEST(BmpRead, StreamPositionsAreRespected) {
    std::vector<std::uint8_t> bytes = {'x', 'y', 'z'};
    auto file = Build(Rgb24(true));
    bytes.insert(bytes.end(), file.begin(), file.end());
    bytes.push_back('!');
    rtl::TReadOnlyStream s(bytes);
    s.SetPosition(3);
    TBitmap bmp;
    bmp.LoadFromStream(s);
    EXPECT_EQ(bmp.Width(), 2);
    EXPECT_EQ(s.Position(), static_cast<std::int64_t>(bytes.size() - 1));
}

// Each refusal names the check that made it; the message stays the one the user sees.
TEST(BmpHostile, SizesThatTheFileCannotBack) {
    InfoFile huge;
    huge.width = 100000;
    huge.height = 100000;
    huge.bitCount = 8;
    huge.palette.assign(4, 0);
    huge.colorsUsed = 4;
    huge.pixels.assign(20, 0);
    EXPECT_EQ(LoadError(Build(huge)), "Bitmap image is too large");
    EXPECT_EQ(LoadCode(Build(huge)), "bmp.size.large");
    huge.width = 40000;
    huge.height = 40000;
    EXPECT_EQ(LoadError(Build(huge)), "Bitmap image is not valid");
    EXPECT_EQ(LoadCode(Build(huge)), "bmp.pixels.short") << "1.6 GB claimed by a tiny file";
    huge.compression = 1;  // and as run-length data that stops at once
    huge.pixels = {0, 1};
    EXPECT_EQ(LoadCode(Build(huge)), "bmp.rle.expansion");
    huge.width = 46341;  // 46341^2 is just past 2^31 - 1
    huge.height = -46341;
    huge.compression = 0;
    EXPECT_EQ(LoadCode(Build(huge)), "bmp.size.large");

    for (std::int32_t w : {0, -1}) {
        InfoFile f = Rgb24(false);
        f.width = w;
        EXPECT_EQ(LoadCode(Build(f)), "bmp.size.invalid") << w;
    }
    for (std::int32_t h : {0, INT32_MIN}) {
        InfoFile f = Rgb24(false);
        f.height = h;
        EXPECT_EQ(LoadCode(Build(f)), "bmp.size.invalid") << h;
    }
    InfoFile f = Rgb24(false);
    f.pixels.pop_back();
    EXPECT_EQ(LoadCode(Build(f)), "bmp.pixels.short") << "last row short";
}

TEST(BmpHostile, OffsetsAndPalettes) {
    auto withOffset = [](std::uint32_t off) {
        Bytes x{Build(Rgb24(false))};
        x.Set32(10, off);
        return x.b;
    };
    EXPECT_EQ(LoadCode(withOffset(1000)), "bmp.pixels.outside");
    EXPECT_EQ(LoadCode(withOffset(0xFFFFFFFF)), "bmp.pixels.outside");
    EXPECT_EQ(LoadCode(withOffset(20)), "bmp.pixels.inside") << "inside the header";
    EXPECT_EQ(LoadCode(withOffset(0)), "loaded") << "0 means: right after the header";

    InfoFile pal;
    pal.bitCount = 8;
    pal.palette.assign(4, 0);
    pal.pixels.assign(4, 0);
    for (std::uint32_t used : {257u, 0x40000000u, 0xFFFFFFFFu}) {
        pal.colorsUsed = used;
        EXPECT_EQ(LoadCode(Build(pal)), "bmp.palette.count") << used;
    }
    pal.colorsUsed = 200;  // fits the format but not the file
    EXPECT_EQ(LoadCode(Build(pal)), "bmp.palette.short");
    pal.colorsUsed = 4;
    Bytes inside{Build(pal)};
    inside.Set32(10, 14 + 40 + 8);  // the pixels would start in the middle of the palette
    EXPECT_EQ(LoadCode(inside.b), "bmp.pixels.inside");
}

TEST(BmpHostile, MasksNameTheRuleTheyBreak) {
    InfoFile m;
    m.bitCount = 16;
    m.compression = 3;
    m.pixels.assign(4, 0);
    const std::pair<std::vector<std::uint32_t>, const char*> cases[] = {
        {{0xF800, 0x0FE0, 0x001F}, "bmp.masks.overlap"},
        {{0xF800, 0x07A0, 0x001F}, "bmp.masks.gap"},
        {{0, 0, 0}, "bmp.masks.empty"},
        {{0x1F0000, 0x07E0, 0x001F}, "bmp.masks.outside"},
    };
    for (const auto& [masks, code] : cases) {
        m.masks = masks;
        EXPECT_EQ(LoadCode(Build(m)), code);
    }
    m.masks = {0xF800, 0x07E0};  // the third mask is cut off by the end of the file
    m.pixels.clear();
    EXPECT_EQ(LoadCode(Build(m)), "bmp.masks.short");
    m.bitCount = 24;
    m.masks = {0xFF0000, 0xFF00, 0xFF};
    m.pixels.assign(4, 0);
    EXPECT_EQ(LoadCode(Build(m)), "bmp.masks.bits") << "masks need 16 or 32 bits";
}

TEST(BmpHostile, RunLengthData) {
    InfoFile rle = Rle8();
    rle.height = -3;
    EXPECT_EQ(LoadCode(Build(rle)), "bmp.rle.topdown");
    rle = Rle8();
    rle.bitCount = 4;
    rle.palette.resize(16);
    EXPECT_EQ(LoadCode(Build(rle)), "bmp.rle.bits");
    rle = Rle8();
    rle.pixels.resize(rle.pixels.size() - 4);  // no end mark, top row unfinished
    rle.sizeImage = static_cast<std::uint32_t>(rle.pixels.size());
    EXPECT_EQ(LoadCode(Build(rle)), "bmp.rle.short");
    rle = Rle8();
    rle.sizeImage = static_cast<std::uint32_t>(rle.pixels.size() + 1);  // more than the file holds
    EXPECT_EQ(LoadCode(Build(rle)), "bmp.rle.size");
}

TEST(BmpHostile, HeadersAndKinds) {
    InfoFile jpeg = Rgb24(false);
    jpeg.compression = 4;
    EXPECT_EQ(LoadError(Build(jpeg)), "Unsupported bitmap format");
    EXPECT_EQ(LoadCode(Build(jpeg)), "bmp.compression.unsupported");
    jpeg.compression = 77;
    EXPECT_EQ(LoadCode(Build(jpeg)), "bmp.compression.unknown");
    InfoFile bits = Rgb24(false);
    bits.bitCount = 2;
    EXPECT_EQ(LoadError(Build(bits)), "Unsupported bitmap format");
    EXPECT_EQ(LoadCode(Build(bits)), "bmp.bits.unsupported");

    auto b = Build(Rgb24(false));
    b[0] = 'X';
    EXPECT_EQ(LoadCode(b), "bmp.header.magic");
    EXPECT_EQ(LoadCode({b.begin(), b.begin() + 25}), "bmp.file.short");
    for (std::uint32_t size : {41u, 0u, 0xFFFFFFFFu}) {
        Bytes x{Build(Rgb24(false))};
        x.Set32(14, size);
        EXPECT_EQ(LoadCode(x.b), "bmp.header.size") << size;
    }
    for (std::uint32_t size : {16u, 64u}) {
        Bytes x{Build(Rgb24(false))};
        x.Set32(14, size);
        EXPECT_EQ(LoadCode(x.b), "bmp.header.os2") << size;
    }
    InfoFile v5 = Rgb24(false);
    v5.headerSize = 124;
    EXPECT_EQ(LoadCode(Build(v5)), "loaded");
    auto cut = Build(v5);
    cut.resize(14 + 100);
    EXPECT_EQ(LoadCode(cut), "bmp.header.short");

    // A core header (12 bytes) knows 1, 4, 8 and 24 bits only.
    Bytes core;
    core.Raw({'B', 'M'}).U32(14 + 12 + 4).U32(0).U32(14 + 12);
    core.U32(12).U16(1).U16(1).U16(1).U16(16).Zeros(4);
    EXPECT_EQ(LoadCode(core.b), "bmp.bits.core");
}

TEST(BmpHostile, AnEmbeddedProfileOutsideTheFile) {
    InfoFile v5 = Rgb24(false);
    v5.headerSize = 124;
    Bytes tail;  // bytes 56.. of the header: embedded profile at 1000 (from the header), 4 bytes
    tail.U32(0x4D424544).Zeros(48).U32(4).U32(1000).U32(4).U32(0);
    v5.headerTail = tail.b;
    EXPECT_EQ(LoadCode(Build(v5)), "bmp.profile.outside");
}

TEST(BmpHostile, EveryTruncationAndRandomDamageEndInAClearError) {
    InfoFile v5;
    v5.headerSize = 124;
    v5.bitCount = 32;
    v5.compression = 3;
    v5.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    v5.pixels.assign(4, 9);
    Bytes tail;
    tail.U32(0x4D424544).Zeros(48).U32(4).U32(124 + 4).U32(2).U32(0);
    v5.headerTail = tail.b;
    v5.trailer = {1, 2};
    InfoFile pal;
    pal.width = 3;
    pal.bitCount = 4;
    pal.palette.assign(16, 0x123456);
    pal.pixels = {0x12, 0x30, 0, 0};
    InfoFile m565;
    m565.bitCount = 16;
    m565.compression = 3;
    m565.masks = {0xF800, 0x07E0, 0x1F};
    m565.pixels = {1, 2, 0, 0};

    const std::vector<std::vector<std::uint8_t>> files = {Build(Rgb24(false)), Build(Rgb24(true)), Build(Rle8()),
                                                          Build(v5), Build(pal), Build(m565)};
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(LoadError(files[i]), "loaded") << i;
        for (std::size_t n = 0; n < files[i].size(); ++n) {
            std::vector<std::uint8_t> cut(files[i].begin(), files[i].begin() + static_cast<std::ptrdiff_t>(n));
            EXPECT_EQ(LoadError(cut), "Bitmap image is not valid") << "file " << i << " cut at " << n;
            EXPECT_NE(LoadCode(cut), "") << "file " << i << " cut at " << n;
        }
    }

    // Random damage: either a bitmap or EInvalidGraphic, nothing else (the sanitizer build
    // watches for reads past the data).
    std::mt19937 rng(11);
    int loaded = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<std::uint8_t> b = files[rng() % files.size()];
        for (unsigned k = 1 + rng() % 4; k > 0; --k) {
            std::size_t at = rng() % b.size();
            b[at] = (rng() & 1) ? static_cast<std::uint8_t>(rng()) : static_cast<std::uint8_t>(b[at] ^ (1u << (rng() % 8)));
        }
        try {
            TBitmap bmp = Load(b);
            (void)bmp.ToBGRA();
            ++loaded;
        } catch (const EInvalidGraphic& e) {
            EXPECT_TRUE(e.HasCode()) << e.Message();
        }
    }
    EXPECT_GT(loaded, 0);
}

TEST(Bitmap, CopiesAndRowAccess) {
    TBitmap a(3, 2, 24);
    a.ScanLine(1)[0] = 42;
    TBitmap b = a;
    b.ScanLine(1)[0] = 7;
    EXPECT_EQ(a.ScanLine(1)[0], 42);
    EXPECT_THROW(a.ScanLine(2), EInvalidGraphic);
    EXPECT_THROW(a.ScanLine(-1), EInvalidGraphic);
    EXPECT_THROW(TBitmap(1, 1, 15), EInvalidGraphic);
    EXPECT_THROW(TBitmap(65536, 32768, 1), EInvalidGraphic);
    EXPECT_THROW(a.SetMasks({0xF800, 0x07E0, 0x1F, 0}), EInvalidGraphic) << "24 bits have no masks";
    EXPECT_TRUE(TBitmap().Empty());
    EXPECT_THROW(a.SetPalette({}), EInvalidGraphic);
}

TEST(BmpWrite, FileAndStreamGiveTheSameBytes) {
    // The file is written from many parts (one per row); the bytes must match the stream's.
    auto dir = std::filesystem::temp_directory_path() / ("vlmrk-bmp2-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::mt19937 rng(3);
    for (bool topDown : {false, true}) {
        TBitmap bmp(301, 257, 24);
        bmp.FileInfo().TopDown = topDown;
        for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
        const std::string path = (dir / "big.bmp").string();
        bmp.SaveToFile(path);
        rtl::TMemoryStream file;
        file.LoadFromFile(path);
        EXPECT_EQ(file.Bytes(), Save(bmp)) << topDown;
    }
    std::filesystem::remove_all(dir);
}
