// Conversion speed of the code pages: a single-byte table page and an iconv page, both ways, on
// a 64 KiB text, and the locale look-ups the translation store makes per value.
#include <benchmark/benchmark.h>

#include <string>

#include "locstore/KLocales.h"

namespace {

std::string SampleBytes(int codePage) {
    // Mixed ASCII and high characters, valid in the code page.
    std::u16string wide;
    const std::u16string word = codePage == 932 ? u"Text \u3042\u30A2\u6F22 " : u"Text \u00E9\u00FC\u00C0 ";
    while (wide.size() < 64 * 1024) wide += word;
    return locstore::WideToAnsi(wide, codePage);
}

void BM_AnsiToWide(benchmark::State& state) {
    const int codePage = static_cast<int>(state.range(0));
    const std::string text = SampleBytes(codePage);
    for (auto _ : state) benchmark::DoNotOptimize(locstore::AnsiToWide(text, codePage));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_AnsiToWide)->Arg(1252)->Arg(932);

void BM_WideToAnsi(benchmark::State& state) {
    const int codePage = static_cast<int>(state.range(0));
    const std::u16string wide = locstore::AnsiToWide(SampleBytes(codePage), codePage);
    for (auto _ : state) benchmark::DoNotOptimize(locstore::WideToAnsi(wide, codePage));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * wide.size() * 2));
}
BENCHMARK(BM_WideToAnsi)->Arg(1252)->Arg(932);

// The store converts every value through its language: the code-page look-up is paid each time.
void BM_ShortValueByLanguage(benchmark::State& state) {
    const std::string text = "&Open...";
    for (auto _ : state) benchmark::DoNotOptimize(locstore::AnsiToWideByLanguage(text, 0x0C0A));
}
BENCHMARK(BM_ShortValueByLanguage);

void BM_LanguageFromAbbreviation(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(locstore::LanguageFromAbbreviation("IT"));
}
BENCHMARK(BM_LanguageFromAbbreviation);

}  // namespace

BENCHMARK_MAIN();
