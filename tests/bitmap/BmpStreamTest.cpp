#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include <unistd.h>

#include "platform/bitmap/Bitmap.h"
#include "platform/bitmap/BmpFile.h"
#include "platform/bitmap/BmpStream.h"
#include "tests/bitmap/BmpTestFiles.h"

using namespace bitmap;
using bmptest::Build;
using bmptest::Bytes;
using bmptest::InfoFile;

#include "tests/support/TempFolder.h"

namespace {

class BmpStream : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return folder_.Path(name); }

    std::string Put(const std::string& name, const std::vector<std::uint8_t>& bytes) const { return folder_.Put(name, bytes); }

    static std::vector<std::uint8_t> Get(const std::string& path) { return testutil::TTempFolder::Get(path); }

    testutil::TTempFolder folder_{"vlmrk-bmpstream"};
};

// "loaded" or the loader's message.
std::string LoaderVerdict(const std::string& path) {
    try {
        TBitmap bmp;
        bmp.LoadFromFile(path);
    } catch (const EInvalidGraphic& e) {
        return e.Message() + " [" + std::string(e.Code()) + "]";
    }
    return "loaded";
}

// "loaded" (all rows read) or the row reader's message and code; "run-length" for what it leaves to the
// loader.
std::string RowReaderVerdict(const std::string& path) {
    try {
        TBmpRowReader reader(path);
        if (!reader.RowsReadable()) return "run-length";
        std::vector<std::uint8_t> rows(reader.RowBytes() * static_cast<std::size_t>(reader.Height()));
        reader.ReadRows(0, reader.Height(), rows);
    } catch (const EInvalidGraphic& e) {
        return e.Message() + " [" + std::string(e.Code()) + "]";
    }
    return "loaded";
}

struct Format {
    TBmpHeader header;
    int bitCount;
    bool masks565;
    bool topDown;
};

const Format kCarrierFormats[] = {
    {TBmpHeader::Info, 16, true, false}, {TBmpHeader::Info, 16, true, true}, {TBmpHeader::V3, 16, true, false},
    {TBmpHeader::V5, 16, true, true},    {TBmpHeader::Core, 24, false, false}, {TBmpHeader::Info, 24, false, false},
    {TBmpHeader::Info, 24, false, true}, {TBmpHeader::V4, 24, false, true},  {TBmpHeader::Info, 32, false, false},
    {TBmpHeader::Info, 32, false, true}, {TBmpHeader::V5, 32, false, false},
};

TBitmap Random(const Format& f, int width, int height, std::mt19937& rng) {
    TBitmap bmp(width, height, f.bitCount);
    bmp.FileInfo().Header = f.header;
    bmp.FileInfo().TopDown = f.topDown;
    bmp.FileInfo().XPelsPerMeter = 3780;
    if (f.masks565) bmp.SetMasks({0xF800, 0x07E0, 0x001F, 0});
    for (auto& b : bmp.Bits()) b = static_cast<std::uint8_t>(rng());
    return bmp;
}

std::vector<std::uint8_t> Saved(const TBitmap& bmp) {
    rtl::TMemoryStream s;
    bmp.SaveToStream(s);
    return s.Bytes();
}

}  // namespace

TEST_F(BmpStream, RowsReadAreTheLoadersRowsInEitherOrder) {
    std::mt19937 rng(3);
    for (const Format& f : kCarrierFormats) {
        for (int width : {1, 3, 5, 13}) {
            SCOPED_TRACE(std::to_string(f.bitCount) + (f.topDown ? " top-down" : " bottom-up") + " width " +
                         std::to_string(width));
            const TBitmap bmp = Random(f, width, 7, rng);
            const std::string path = Put("rows.bmp", Saved(bmp));
            TBmpRowReader reader(path);
            ASSERT_EQ(reader.RowBytes(), bmp.RowBytes());
            for (int top = 0; top <= 7; ++top) {
                for (int count = 0; top + count <= 7; ++count) {
                    std::vector<std::uint8_t> rows(reader.RowBytes() * static_cast<std::size_t>(count));
                    reader.ReadRows(top, count, rows);
                    const auto* expected = bmp.Bits().data() + static_cast<std::size_t>(top) * bmp.RowBytes();
                    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), expected)) << top << "+" << count;
                }
            }
            std::vector<std::uint8_t> part(2);
            reader.ReadRowPart(6, reader.RowBytes() - 2, part);
            EXPECT_EQ(part[0], bmp.ScanLine(6)[bmp.RowBytes() - 2]);
            EXPECT_THROW(reader.ReadRowPart(6, reader.RowBytes() - 1, part), EInvalidGraphic);
            std::vector<std::uint8_t> three(reader.RowBytes() * 3);
            EXPECT_THROW(reader.ReadRows(5, 3, three), EInvalidGraphic) << "past the last row";
        }
    }
}

TEST_F(BmpStream, ReplacingRowsWritesWhatSavingTheLoadedBitmapWrites) {
    std::mt19937 rng(5);
    for (const Format& f : kCarrierFormats) {
        for (int width : {1, 3, 7, 13}) {
            SCOPED_TRACE(std::to_string(static_cast<int>(f.header)) + "/" + std::to_string(f.bitCount) +
                         (f.topDown ? " top-down" : " bottom-up") + " width " + std::to_string(width));
            TBitmap bmp = Random(f, width, 6, rng);
            if (f.header == TBmpHeader::V5) {
                // An embedded profile after the pixels, copied along.
                bmp.FileInfo().ColorSpace.assign(124 - 56, 0);
                bmp.FileInfo().ColorSpace[0] = 'D';
                bmp.FileInfo().ColorSpace[1] = 'E';
                bmp.FileInfo().ColorSpace[2] = 'B';
                bmp.FileInfo().ColorSpace[3] = 'M';
                bmp.FileInfo().Profile = {1, 2, 3, 4, 5};
            }
            const std::string in = Put("in.bmp", Saved(bmp));
            TBmpRowReader reader(in);
            for (int top : {0, 1, 4}) {
                for (int count : {0, 1, 6 - top}) {
                    TBitmap loaded;
                    loaded.LoadFromFile(in);
                    std::vector<std::uint8_t> rows(reader.RowBytes() * static_cast<std::size_t>(count));
                    for (auto& b : rows) b = static_cast<std::uint8_t>(rng());
                    std::copy(rows.begin(), rows.end(), loaded.ScanLine(0) + static_cast<std::size_t>(top) * loaded.RowBytes());
                    loaded.SaveToFile(Path("full.bmp"));
                    SaveBmpWithRows(reader, top, rows, Path("part.bmp"));
                    EXPECT_EQ(Get(Path("part.bmp")), Get(Path("full.bmp"))) << top << "+" << count;
                }
            }
        }
    }
}

TEST_F(BmpStream, FilesThatSavingRewritesComeOutAsSavingWritesThem) {
    // A gap before the pixels, bytes after them, a size field left 0, a V4 header: saving the
    // loaded bitmap writes its own headers, and so must the copy.
    InfoFile f;
    f.headerSize = 108;
    f.width = 3;
    f.height = -2;
    f.bitCount = 32;
    f.pixels.assign(24, 7);
    f.trailer = {9, 9, 9};
    std::vector<std::uint8_t> bytes = Build(f);
    bytes.insert(bytes.begin() + 14 + 108, {0xAA, 0xBB});
    Bytes b{bytes};
    b.Set32(10, 14 + 108 + 2);
    b.Set32(2, 0);
    const std::string in = Put("gap.bmp", b.b);
    TBitmap loaded;
    loaded.LoadFromFile(in);
    loaded.ScanLine(1)[0] = 0x55;
    loaded.SaveToFile(Path("full.bmp"));
    TBmpRowReader reader(in);
    std::vector<std::uint8_t> row(loaded.ScanLine(1), loaded.ScanLine(1) + loaded.RowBytes());
    SaveBmpWithRows(reader, 1, row, Path("part.bmp"));
    EXPECT_EQ(Get(Path("part.bmp")), Get(Path("full.bmp")));

    // The source may be the target: it is read through the open file, then replaced.
    SaveBmpWithRows(reader, 1, row, in);
    EXPECT_EQ(Get(in), Get(Path("full.bmp")));
    EXPECT_THROW(SaveBmpWithRows(reader, 2, row, Path("x.bmp")), EInvalidGraphic) << "row past the last";
    EXPECT_THROW(SaveBmpWithRows(reader, 0, row, Path("missing/x.bmp")), rtl::Exception);
}

TEST_F(BmpStream, EveryFileTheLoaderRefusesIsRefusedTheSameWay) {
    InfoFile v5;
    v5.headerSize = 124;
    v5.width = 3;
    v5.height = 2;
    v5.bitCount = 32;
    v5.compression = 3;
    v5.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    v5.pixels.assign(24, 9);
    Bytes tail;
    tail.U32(0x4D424544).Zeros(48).U32(4).U32(124 + 24).U32(2).U32(0);
    v5.headerTail = tail.b;
    v5.trailer = {1, 2};
    InfoFile m565;
    m565.width = 3;
    m565.height = -2;
    m565.bitCount = 16;
    m565.compression = 3;
    m565.masks = {0xF800, 0x07E0, 0x1F};
    m565.pixels.assign(16, 3);
    InfoFile rgb;
    rgb.width = 5;
    rgb.height = 3;
    rgb.pixels.assign(48, 0x11);
    InfoFile pal;
    pal.width = 3;
    pal.bitCount = 4;
    pal.palette.assign(16, 0x123456);
    pal.pixels = {0x12, 0x30, 0, 0};
    InfoFile rle;
    rle.width = 4;
    rle.height = 1;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.palette = {0, 0xFFFFFF};
    rle.colorsUsed = 2;
    rle.pixels = {4, 1, 0, 1};
    const std::vector<std::vector<std::uint8_t>> files = {Build(v5), Build(m565), Build(rgb), Build(pal), Build(rle)};

    auto same = [&](const std::vector<std::uint8_t>& bytes, const std::string& what) {
        const std::string path = Put("hostile.bmp", bytes);
        const std::string rows = RowReaderVerdict(path);
        if (rows == "run-length") return;  // decoded, and so checked, by the loader alone
        EXPECT_EQ(rows, LoaderVerdict(path)) << what;
    };
    for (std::size_t i = 0; i < files.size(); ++i) {
        ASSERT_EQ(LoaderVerdict(Put("whole.bmp", files[i])), "loaded") << i;
        for (std::size_t n = 0; n < files[i].size(); ++n)
            same({files[i].begin(), files[i].begin() + static_cast<std::ptrdiff_t>(n)},
                 "file " + std::to_string(i) + " cut at " + std::to_string(n));
    }
    // Field by field: every 32-bit field of the headers set to values that break something.
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t at = 2; at + 4 <= std::min<std::size_t>(files[i].size(), 14 + 124); at += 2) {
            for (std::uint32_t v : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x10000u, 40u, 124u}) {
                Bytes b{files[i]};
                b.Set32(at, v);
                same(b.b, "file " + std::to_string(i) + " field " + std::to_string(at) + " = " + std::to_string(v));
            }
        }
    }
    std::mt19937 rng(17);
    for (int round = 0; round < 1500; ++round) {
        std::vector<std::uint8_t> b = files[rng() % files.size()];
        for (unsigned k = 1 + rng() % 4; k > 0; --k) {
            const std::size_t at = rng() % b.size();
            b[at] = (rng() & 1) ? static_cast<std::uint8_t>(rng()) : static_cast<std::uint8_t>(b[at] ^ (1u << (rng() % 8)));
        }
        same(b, "random damage, round " + std::to_string(round));
    }
    // A file that cannot be opened: the same error as the loader's.
    std::string rowsMessage, loaderMessage;
    try {
        TBmpRowReader reader(Path("missing.bmp"));
    } catch (const rtl::Exception& e) {
        rowsMessage = e.Message();
    }
    try {
        TBitmap().LoadFromFile(Path("missing.bmp"));
    } catch (const rtl::Exception& e) {
        loaderMessage = e.Message();
    }
    EXPECT_FALSE(rowsMessage.empty());
    EXPECT_EQ(rowsMessage, loaderMessage);
}
