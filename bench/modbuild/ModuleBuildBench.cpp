// Building the Spanish language module from the program's own resources (the embedded program
// image: every message string, TFORM1 and TABOUTBOX, the language pack, the settings records),
// with the pack's English as structure and its Spanish in slot 1, and the part of it spent in the
// form processor. Run: bench_modbuild

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

#include "langdata/LangPack.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/winres/WinRes.h"

namespace {

// A store with the pack's native language and Spanish, as the localizer loads them.
struct TSetup {
    locstore::TLocStorage Store;
    langdata::TLangFile Spanish;

    TSetup() {
        modres::TResProcessor program;
        program.LoadFromModule(winres::AppInstance());
        auto* rcdata = program.FindRCData();
        auto* pack = rcdata ? rcdata->FindItem(modres::kLangPackName) : nullptr;
        if (!pack || !rcdata->FindItem("TFORM1")) throw std::runtime_error("the program image lacks its forms or pack");
        rtl::TMemoryStream english, spanish;
        if (!langdata::ReadLanguagePack(pack->Data->View(), 0, 0, &english) ||
            !langdata::ReadLanguagePack(pack->Data->View(), 10, 0, &spanish))
            throw std::runtime_error("the pack lacks English or Spanish");
        english.SetPosition(0);
        langdata::TLangFile native;
        native.LoadFromStream(english, &Store, 0, -1);
        spanish.SetPosition(0);
        const int slot = Store.AddLanguage(0, 10);
        Spanish.LoadFromStream(spanish, &Store, 0, slot);
        Spanish.SetLanguageIndex(slot);
    }
};

// The setup, or nothing after reporting why the benchmark cannot run.
std::unique_ptr<TSetup> MakeSetup(benchmark::State& state) {
    try {
        return std::make_unique<TSetup>();
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
        return nullptr;
    }
}

// The whole build, in memory: load, translate, rewrite the records, write the image.
void BM_BuildSpanishModule(benchmark::State& state) {
    auto setup = MakeSetup(state);
    if (!setup) return;
    TSetup& s = *setup;
    std::int64_t bytes = 0;
    for (auto _ : state) {
        rtl::TMemoryStream out;
        s.Spanish.WriteLanguageModule(winres::AppInstance(), out, &s.Store, "");
        bytes = out.Size();
        benchmark::DoNotOptimize(out.Memory());
    }
    state.counters["module_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BuildSpanishModule)->Unit(benchmark::kMillisecond);

// The same through the file: the image saved beside the old module and renamed over it.
void BM_BuildSpanishModuleFile(benchmark::State& state) {
    auto setup = MakeSetup(state);
    if (!setup) return;
    TSetup& s = *setup;
    const char* cache = std::getenv("TMPDIR");
    const std::string path = std::string(cache ? cache : "/tmp") + "/bench_modbuild.ES";
    for (auto _ : state) s.Spanish.BuildLanguageModule(winres::AppInstance(), path, &s.Store, "");
    std::remove(path.c_str());
}
BENCHMARK(BM_BuildSpanishModuleFile)->Unit(benchmark::kMillisecond);

// The form processor's part: every form of the store rewritten into Spanish, from the native
// form streams each time (the rewrites are not stored back, so the input stays native).
void BM_FormProcessorPart(benchmark::State& state) {
    auto setup = MakeSetup(state);
    if (!setup) return;
    TSetup& s = *setup;
    modres::TResProcessor proc;
    proc.LoadFromModule(winres::AppInstance());
    std::vector<modres::TResRCDataItem*> forms;
    for (int i = 0; i < s.Store.Forms().Count(); ++i)
        if (auto* item = proc.FindRCData()->FindItem("T" + s.Store.Forms().ItemAt(i)->Name())) forms.push_back(item);
    modres::TLocFormProcessor processor;
    processor.Store = &s.Store;
    processor.LanguageIndex = s.Spanish.LanguageIndex();
    processor.LanguageId = 10;
    processor.ProcessBiDiMode = false;
    processor.ShowUntranslatedAsIs = false;
    processor.PrepareLanguage();
    for (auto _ : state) {
        for (auto* item : forms) {
            rtl::TReadOnlyStream input(item->Data->View());
            rtl::TMemoryStream output;
            output.SetSize(input.Size());
            output.SetSize(0);
            processor.RewriteForm(input, output);
            benchmark::DoNotOptimize(output.Memory());
        }
    }
    state.counters["forms"] = static_cast<double>(forms.size());
}
BENCHMARK(BM_FormProcessorPart)->Unit(benchmark::kMillisecond);

// Loading the native resources, for comparison.
void BM_LoadNativeResources(benchmark::State& state) {
    for (auto _ : state) {
        modres::TResProcessor proc;
        proc.LoadFromModule(winres::AppInstance());
        benchmark::DoNotOptimize(proc.FindRCData());
    }
}
BENCHMARK(BM_LoadNativeResources)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
