// Hidden-text codec and BMP file speed on an 8192 x 8192 image, each beside its plain baseline:
//   Embed/Extract vs. StridedRead: the same carrier bytes summed through row pointers;
//   EmbedVaried: LSB matching beside replacement; SaveVerified: the verified save beside BmpSave;
//   BmpLoad/BmpSave vs. PlainRead/PlainWrite: the same number of bytes through read()/write().
// Extraction is measured in its worst case (no zero byte: every byte up to the capacity is
// collected) and with a short text. Files go to $VLMRK_BENCH_DIR (default: the temp folder);
// reads come from the page cache after the first round.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "codec/StegoCodec.h"
#include "codec/StegoPayload.h"
#include "codec/StegoRandom.h"
#include "codec/VerifiedSave.h"
#include "platform/bitmap/Bitmap.h"
#include "platform/rtl/FileUtils.h"

namespace {

constexpr int kSide = 8192;

// A random picture of the given bits per pixel (16 means 5-6-5 with masks), made once.
bitmap::TBitmap& Picture(int bitCount) {
    static std::map<int, std::unique_ptr<bitmap::TBitmap>> cache;
    auto& slot = cache[bitCount];
    if (!slot) {
        slot = std::make_unique<bitmap::TBitmap>(kSide, kSide, bitCount);
        if (bitCount == 16) slot->SetMasks({0xF800, 0x07E0, 0x001F, 0});
        std::mt19937_64 rng(bitCount);
        auto bits = slot->Bits();
        for (std::size_t i = 0; i + 8 <= bits.size(); i += 8) {
            std::uint64_t v = rng();
            std::memcpy(bits.data() + i, &v, 8);
        }
    }
    return *slot;
}

// The same picture with every carrier bit set: all stored bytes read 0xFF, none is zero.
bitmap::TBitmap& NoZeroByte(int bitCount) {
    static std::map<int, std::unique_ptr<bitmap::TBitmap>> cache;
    auto& slot = cache[bitCount];
    if (!slot) {
        slot = std::make_unique<bitmap::TBitmap>(Picture(bitCount));
        const int bpp = bitCount / 8;
        for (int y = 0; y < kSide; ++y) {
            std::uint8_t* p = slot->ScanLine(y) + bpp - 1;
            for (int x = 0; x < kSide; ++x, p += bpp) *p |= 1;
        }
    }
    return *slot;
}

std::string BenchFile(const char* name) {
    const char* dir = std::getenv("VLMRK_BENCH_DIR");
    std::filesystem::path base = dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
    return (base / (std::string("vlmrk-bench-") + std::to_string(::getpid()) + "-" + name)).string();
}

void BM_StridedRead(benchmark::State& state) {
    const bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    const int bpp = bmp.BitCount() / 8;
    for (auto _ : state) {
        unsigned sum = 0;
        for (int y = 0; y < bmp.Height(); ++y) {
            const std::uint8_t* p = bmp.ScanLine(y) + bpp - 1;
            for (int x = 0; x < bmp.Width(); ++x, p += bpp) sum += *p & 1u;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

void BM_ExtractNoZeroByte(benchmark::State& state) {
    const bitmap::TBitmap& bmp = NoZeroByte(static_cast<int>(state.range(0)));
    rtl::AnsiString text;
    for (auto _ : state) {
        bool found = codec::ExtractStegography(bmp, text);
        benchmark::DoNotOptimize(found);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
    state.counters["chars"] = static_cast<double>(text.size());
}

void BM_ExtractShortText(benchmark::State& state) {
    bitmap::TBitmap bmp = Picture(static_cast<int>(state.range(0)));
    codec::EncryptText(bmp, "A short secret, as a user would type it.");
    rtl::AnsiString text;
    for (auto _ : state) {
        bool found = codec::ExtractStegography(bmp, text);
        benchmark::DoNotOptimize(found);
    }
}

void BM_EmbedFull(benchmark::State& state) {
    bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    // The longest text that fits, no zero byte in it.
    rtl::AnsiString data(static_cast<std::size_t>(codec::Capacity(bmp)) - codec::StegoSignature.size() - 1, 'x');
    for (auto _ : state) codec::InsertStegography(bmp, data);
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// Replacement (range(1) = 0) beside LSB matching with the system's random source (1) and with a
// seeded source (2), on a text of varied bytes that fills the image. The goal: matching within
// 1.3 times replacement.
void BM_EmbedVaried(benchmark::State& state) {
    bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    rtl::AnsiString data(static_cast<std::size_t>(codec::Capacity(bmp)) - codec::StegoSignature.size() - 1, 'x');
    std::mt19937 rng(7);
    for (char& c : data) c = static_cast<char>(1 + rng() % 255);
    codec::TSeededRandom seeded(1);
    for (auto _ : state) {
        switch (state.range(1)) {
            case 0: codec::InsertStegography(bmp, data, codec::TEmbedding::Replacement); break;
            case 1: codec::InsertStegography(bmp, data, codec::TEmbedding::Matching); break;
            default: codec::InsertStegography(bmp, data, codec::TEmbedding::Matching, seeded); break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kSide * kSide);
}

// Saving a carrier image plainly (range(1) = 0) and verified (1): written, read back, compared.
void BM_SaveVerified(benchmark::State& state) {
    const std::string file = BenchFile("verified.bmp");
    bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    const rtl::AnsiString data = codec::EncryptText(bmp, "A short secret, as a user would type it.");
    const bool verified = state.range(1) != 0;
    for (auto _ : state) {
        if (verified)
            codec::SaveHiddenTextVerified(bmp, file, data);
        else
            bmp.SaveToFile(file);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(file)));
    std::filesystem::remove(file);
}

void BM_BmpLoad(benchmark::State& state) {
    const std::string file = BenchFile("load.bmp");
    Picture(static_cast<int>(state.range(0))).SaveToFile(file);
    const auto size = static_cast<std::int64_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        bitmap::TBitmap bmp;
        bmp.LoadFromFile(file);
        benchmark::DoNotOptimize(bmp.Bits().data());
    }
    state.SetBytesProcessed(state.iterations() * size);
    std::filesystem::remove(file);
}

void BM_PlainRead(benchmark::State& state) {
    const std::string file = BenchFile("read.bmp");
    Picture(static_cast<int>(state.range(0))).SaveToFile(file);
    const auto size = static_cast<std::size_t>(std::filesystem::file_size(file));
    for (auto _ : state) {
        auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        int fd = ::open(file.c_str(), O_RDONLY);
        std::size_t done = 0;
        while (done < size) {
            ssize_t n = ::read(fd, buffer.get() + done, size - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.get());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
    std::filesystem::remove(file);
}

void BM_BmpSave(benchmark::State& state) {
    const std::string file = BenchFile("save.bmp");
    const bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    for (auto _ : state) bmp.SaveToFile(file);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(file)));
    std::filesystem::remove(file);
}

// The same bytes written as the atomic save writes them (temporary file, fsync, rename) when
// range(1) is 1, or just written when it is 0.
void BM_PlainWrite(benchmark::State& state) {
    const std::string file = BenchFile("write.bmp");
    const bitmap::TBitmap& bmp = Picture(static_cast<int>(state.range(0)));
    const std::size_t size = 14 + 40 + (bmp.BitCount() == 16 ? 12 : 0) + bmp.Bits().size();
    std::vector<std::uint8_t> bytes(size, 1);
    const bool durable = state.range(1) != 0;
    for (auto _ : state) {
        if (durable) {
            rtl::SaveFileAtomically(file, bytes);
        } else {
            int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            std::size_t done = 0;
            while (done < size) {
                ssize_t n = ::write(fd, bytes.data() + done, size - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::close(fd);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
    std::filesystem::remove(file);
}

}  // namespace

#define FORMATS ->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_StridedRead) FORMATS;
BENCHMARK(BM_ExtractNoZeroByte) FORMATS;
BENCHMARK(BM_ExtractShortText) FORMATS;
BENCHMARK(BM_EmbedFull) FORMATS;
BENCHMARK(BM_EmbedVaried)->ArgsProduct({{16, 24, 32}, {0, 1, 2}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveVerified)->ArgsProduct({{24}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BmpLoad) FORMATS;
BENCHMARK(BM_PlainRead) FORMATS;
BENCHMARK(BM_BmpSave) FORMATS;
BENCHMARK(BM_PlainWrite)->ArgsProduct({{16, 24, 32}, {0, 1}})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
