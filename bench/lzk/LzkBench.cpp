// LZK against zlib on the same data: compression and decompression throughput (bytes of
// uncompressed data per second) and compression ratio (compressed / original).
//
// BM_DecodeVsInflate gives the decoding goal's figure as one ratio that holds still on a busy
// machine: each round decodes the mixed data once with each codec, back to back, in alternating
// order, each timed in the thread's own CPU time on one pinned core with output buffers
// allocated and touched beforehand; the counters are the medians over the rounds and their
// ratio (inflate / LZK, higher is better for LZK).
//
// Data sets, both made deterministically:
//   Lang   about 36 KB shaped like a language file: names, then UTF-16 captions and hints
//   Mixed  16 MB of text, tables of numbers, small-alphabet and random binary runs, and
//          repeats of earlier material

#include <benchmark/benchmark.h>
#include <sched.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "langdata/kcompress/kcompress.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Output into a buffer allocated once, so the runs measure the codecs and not vector growth.
class TSinkStream : public rtl::TStream {
public:
    explicit TSinkStream(std::size_t capacity) : buf_(capacity) {}
    std::int64_t Read(void*, std::int64_t) override { return 0; }
    std::int64_t Write(const void* buffer, std::int64_t count) override {
        if (pos_ + static_cast<std::size_t>(count) > buf_.size()) throw std::runtime_error("sink full");
        std::memcpy(buf_.data() + pos_, buffer, static_cast<std::size_t>(count));
        pos_ += static_cast<std::size_t>(count);
        return count;
    }
    std::int64_t Seek(std::int64_t offset, rtl::TSeekOrigin origin) override {
        if (origin == rtl::TSeekOrigin::soBeginning) pos_ = static_cast<std::size_t>(offset);
        else if (origin == rtl::TSeekOrigin::soCurrent) pos_ = static_cast<std::size_t>(static_cast<std::int64_t>(pos_) + offset);
        return static_cast<std::int64_t>(pos_);
    }
    std::int64_t Size() override { return static_cast<std::int64_t>(pos_); }
    void SetSize(std::int64_t newSize) override { pos_ = static_cast<std::size_t>(newSize); }
    void Reset() { pos_ = 0; }
    Bytes Contents() const { return Bytes(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(pos_)); }

private:
    Bytes buf_;
    std::size_t pos_ = 0;
};

void AppendUtf16(Bytes& out, const std::string& ascii) {
    out.push_back(static_cast<std::uint8_t>(ascii.size()));
    for (char c : ascii) {
        out.push_back(static_cast<std::uint8_t>(c));
        out.push_back(0);
    }
}

Bytes MakeLang() {
    static const char* const forms[] = {"Form1", "AboutBox", "frmOptions", "dlgOpen"};
    static const char* const controls[] = {"lbl", "btn", "pnl", "image", "mmo", "act", "mnu", "stat"};
    static const char* const props[] = {"Caption", "Hint", "Text", "Title", "Filter"};
    static const char* const words[] = {"Open",   "Save",   "image",  "the",     "text",  "Language", "Encrypt",
                                        "Decrypt", "hidden", "bitmap", "Ready",   "file",  "Close",    "About",
                                        "Exit",   "your",   "into",   "from",    "Clear", "fields",   "Help",
                                        "Options", "Cannot", "load",   "Version", "of",    "a",        "to"};
    std::mt19937 rng(36);
    Bytes out = {'L', 'F', 7, 0, 53, 0, 0, 0};
    while (out.size() < 36 * 1024) {
        std::string name = std::string(forms[rng() % 4]) + "." + controls[rng() % 8] + std::to_string(rng() % 12) + "." +
                           props[rng() % 5];
        out.push_back(static_cast<std::uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
        for (int lang = 0; lang < 2; ++lang) {
            std::string text;
            for (unsigned n = 1 + rng() % 6; n > 0; --n) text += std::string(words[rng() % 28]) + (n > 1 ? " " : "");
            AppendUtf16(out, text);
            out.push_back(static_cast<std::uint8_t>(rng() % 4));  // revision
            out.push_back(0);
        }
    }
    out.resize(36 * 1024);
    return out;
}

Bytes MakeMixed() {
    std::mt19937 rng(16);
    const std::size_t total = 16u << 20;
    Bytes out;
    out.reserve(total + 4096);
    static const char* const words[] = {"the ", "image ", "language ", "of ", "and ", "Veilmark ", "resource ",
                                        "string ", "table ", "form ", "\r\n", "module ", "file ", "a ", "to "};
    while (out.size() < total) {
        switch (rng() % 6) {
        case 0:
        case 1:  // text
            for (int i = 0; i < 200; ++i) {
                const char* w = words[rng() % 15];
                out.insert(out.end(), w, w + std::strlen(w));
            }
            break;
        case 2: {  // a table of slowly growing 32-bit numbers
            std::uint32_t v = rng() % 100000;
            for (int i = 0; i < 256; ++i) {
                v += rng() % 64;
                for (int k = 0; k < 4; ++k) out.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
            }
            break;
        }
        case 3:  // pixel-like bytes from a small palette
            for (int i = 0; i < 1024; ++i) out.push_back(static_cast<std::uint8_t>((rng() % 8) * 17));
            break;
        case 4:  // incompressible
            for (int i = 0; i < 512; ++i) out.push_back(static_cast<std::uint8_t>(rng()));
            break;
        case 5:  // a repeat of something within the last 8 KB
            if (out.size() > 8192) {
                std::size_t from = out.size() - 1 - rng() % 8192;
                std::size_t n = 64 + rng() % 1024;
                for (std::size_t i = 0; i < n; ++i) out.push_back(out[from + i]);
            }
            break;
        }
    }
    out.resize(total);
    return out;
}

const Bytes& Data(int which) {
    static const Bytes lang = MakeLang();
    static const Bytes mixed = MakeMixed();
    return which == 0 ? lang : mixed;
}

Bytes LzkCompress(const Bytes& in) {
    rtl::TReadOnlyStream src(in);
    TSinkStream dst(in.size() + in.size() / 64 + 64);
    langdata::CompressLZKStream(src, dst);
    return dst.Contents();
}

Bytes ZlibCompress(const Bytes& in, int level) {
    uLongf len = compressBound(in.size());
    Bytes out(len);
    if (compress2(out.data(), &len, in.data(), in.size(), level) != Z_OK) throw std::runtime_error("deflate failed");
    out.resize(len);
    return out;
}

void SetLabel(benchmark::State& state, int which) { state.SetLabel(which == 0 ? "Lang 36 KB" : "Mixed 16 MB"); }

void BM_LzkCompress(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    rtl::TReadOnlyStream src(in);
    TSinkStream dst(in.size() + in.size() / 64 + 64);
    for (auto _ : state) {
        dst.Reset();
        langdata::CompressLZKStream(src, dst);
        benchmark::DoNotOptimize(dst.Size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(dst.Size()) / static_cast<double>(in.size());
    SetLabel(state, static_cast<int>(state.range(0)));
}

void BM_LzkDecompress(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    const Bytes packed = LzkCompress(in);
    rtl::TReadOnlyStream src(packed);
    TSinkStream dst(in.size());
    for (auto _ : state) {
        dst.Reset();
        langdata::DecompressLZKStream(src, dst);
        benchmark::DoNotOptimize(dst.Size());
    }
    if (dst.Contents() != in) state.SkipWithError("round trip differs");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / static_cast<double>(in.size());
    SetLabel(state, static_cast<int>(state.range(0)));
}

void BM_ZlibDeflate(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    const int level = static_cast<int>(state.range(1));
    Bytes out(compressBound(in.size()));
    uLongf len = 0;
    for (auto _ : state) {
        len = out.size();
        if (compress2(out.data(), &len, in.data(), in.size(), level) != Z_OK) state.SkipWithError("deflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(len) / static_cast<double>(in.size());
    SetLabel(state, static_cast<int>(state.range(0)));
}

void BM_ZlibInflate(benchmark::State& state) {
    const Bytes& in = Data(static_cast<int>(state.range(0)));
    const Bytes packed = ZlibCompress(in, static_cast<int>(state.range(1)));
    Bytes out(in.size());
    for (auto _ : state) {
        uLongf len = out.size();
        if (uncompress(out.data(), &len, packed.data(), packed.size()) != Z_OK) state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(out.data());
    }
    if (out != in) state.SkipWithError("round trip differs");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * in.size()));
    state.counters["ratio"] = static_cast<double>(packed.size()) / static_cast<double>(in.size());
    SetLabel(state, static_cast<int>(state.range(0)));
}

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Keeps the calling thread on the core it runs on until destroyed, so a round's two halves see
// the same caches.
class TPinToCurrentCore {
public:
    TPinToCurrentCore() {
        pinned_ = sched_getaffinity(0, sizeof old_, &old_) == 0;
        const int cpu = sched_getcpu();
        if (pinned_ && cpu >= 0) {
            cpu_set_t one;
            CPU_ZERO(&one);
            CPU_SET(cpu, &one);
            pinned_ = sched_setaffinity(0, sizeof one, &one) == 0;
        }
    }
    ~TPinToCurrentCore() {
        if (pinned_) sched_setaffinity(0, sizeof old_, &old_);
    }
    TPinToCurrentCore(const TPinToCurrentCore&) = delete;
    TPinToCurrentCore& operator=(const TPinToCurrentCore&) = delete;

private:
    cpu_set_t old_{};
    bool pinned_ = false;
};

void BM_DecodeVsInflate(benchmark::State& state) {
    const Bytes& in = Data(1);
    const Bytes packedLzk = LzkCompress(in);
    const Bytes packedZlib = ZlibCompress(in, 6);
    rtl::TReadOnlyStream src(packedLzk);
    TSinkStream lzkOut(in.size());
    Bytes zlibOut(in.size());
    auto decodeLzk = [&] {
        lzkOut.Reset();
        langdata::DecompressLZKStream(src, lzkOut);
        benchmark::DoNotOptimize(lzkOut.Size());
    };
    auto decodeZlib = [&] {
        uLongf len = zlibOut.size();
        if (uncompress(zlibOut.data(), &len, packedZlib.data(), packedZlib.size()) != Z_OK)
            state.SkipWithError("inflate failed");
        benchmark::DoNotOptimize(zlibOut.data());
    };
    // Both outputs written once before timing: every page is mapped.
    decodeLzk();
    decodeZlib();
    if (lzkOut.Contents() != in || zlibOut != in) state.SkipWithError("round trip differs");

    TPinToCurrentCore pin;
    std::vector<double> lzkMs, zlibMs;
    bool lzkFirst = true;
    for (auto _ : state) {
        for (int half = 0; half < 2; ++half) {
            const bool lzk = (half == 0) == lzkFirst;
            const double t0 = ThreadCpuMs();
            if (lzk) decodeLzk();
            else decodeZlib();
            (lzk ? lzkMs : zlibMs).push_back(ThreadCpuMs() - t0);
        }
        lzkFirst = !lzkFirst;
    }
    const double lzkMedian = Median(lzkMs);
    const double zlibMedian = Median(zlibMs);
    state.counters["lzk_ms"] = lzkMedian;
    state.counters["inflate_ms"] = zlibMedian;
    state.counters["inflate_over_lzk"] = lzkMedian > 0 ? zlibMedian / lzkMedian : 0;
    state.SetLabel("Mixed 16 MB, medians of paired rounds, thread CPU time");
}

}  // namespace

BENCHMARK(BM_DecodeVsInflate)->Iterations(41)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzkCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDeflate)->Args({0, 1})->Args({0, 6})->Args({1, 1})->Args({1, 6})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzkDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibInflate)->Args({0, 6})->Args({1, 6})->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
