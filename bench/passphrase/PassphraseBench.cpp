// Passphrase encryption: the time of sealing and opening a short text, which is almost all key
// derivation (Argon2id, 2 passes over 64 MiB), beside the key derivation alone, and the memory it
// takes: the derivation's own limit and the process's peak resident size after the first call.

#include <benchmark/benchmark.h>

#include <sodium.h>
#include <sys/resource.h>

#include <cstdint>

#include "codec/PassphraseCrypto.h"

namespace {

double PeakResidentMiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

void BM_KeyDerivation(benchmark::State& state) {
    if (sodium_init() < 0) state.SkipWithError("libsodium");
    std::uint8_t out[64], salt[crypto_pwhash_SALTBYTES] = {};
    const double before = PeakResidentMiB();
    for (auto _ : state) {
        const int rc = crypto_pwhash(out, sizeof out, "passphrase", 10, salt, codec::SealOpsLimit, codec::SealMemLimit,
                                     crypto_pwhash_ALG_ARGON2ID13);
        benchmark::DoNotOptimize(rc);
    }
    state.counters["mem_limit_MiB"] = static_cast<double>(codec::SealMemLimit) / (1 << 20);
    state.counters["peak_rss_MiB"] = PeakResidentMiB();
    state.counters["rss_growth_MiB"] = PeakResidentMiB() - before;
}

void BM_SealText(benchmark::State& state) {
    const rtl::AnsiString text(200, 'x');
    for (auto _ : state) benchmark::DoNotOptimize(codec::SealText(text, "passphrase"));
}

void BM_OpenSealedText(benchmark::State& state) {
    const rtl::AnsiString sealed = codec::SealText(rtl::AnsiString(200, 'x'), "passphrase");
    for (auto _ : state) benchmark::DoNotOptimize(codec::OpenSealedText(sealed, "passphrase"));
}

}  // namespace

BENCHMARK(BM_KeyDerivation)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SealText)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenSealedText)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
