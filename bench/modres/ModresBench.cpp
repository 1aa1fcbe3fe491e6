// The module layer's costs at the size of the program image: writing an image with the resource
// processor, reading it back through the image reader, and loading it as a module.

#include <benchmark/benchmark.h>

#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/winres/WinRes.h"

namespace {

// About the program's size: 400 message strings, two forms and a 70 KB language pack.
void Fill(modres::TResProcessor& proc) {
    auto strings = std::make_unique<modres::TResString>(&proc);
    for (int i = 0; i < 400; ++i) strings->AddString(65100 + i, u"A message string of ordinary length, %s");
    proc.AddBlock(std::move(strings));
    auto rcdata = std::make_unique<modres::TResRCData>(&proc);
    rcdata->AddItem("TFORM1", false)->Data->WriteBytes(std::vector<std::uint8_t>(6000, 'F'));
    rcdata->AddItem("TABOUTBOX", false)->Data->WriteBytes(std::vector<std::uint8_t>(3000, 'A'));
    rcdata->AddItem("QVT_LOC_LANGS_", false)->Data->WriteBytes(std::vector<std::uint8_t>(70000, 'L'));
    proc.AddBlock(std::move(rcdata));
    modres::AddProgramSettings(proc);
}

std::vector<std::uint8_t> Image() {
    modres::TResProcessor proc;
    Fill(proc);
    rtl::TMemoryStream out;
    proc.SaveToStream(out);
    return out.TakeBytes();
}

void BM_SaveToStream(benchmark::State& state) {
    modres::TResProcessor proc;
    Fill(proc);
    for (auto _ : state) {
        rtl::TMemoryStream out;
        proc.SaveToStream(out);
        benchmark::DoNotOptimize(out.Size());
    }
}
BENCHMARK(BM_SaveToStream);

void BM_LoadFromImage(benchmark::State& state) {
    auto image = Image();
    for (auto _ : state) {
        modres::TResProcessor proc;
        proc.LoadFromImage("bench", image);
        benchmark::DoNotOptimize(proc.Blocks.size());
    }
}
BENCHMARK(BM_LoadFromImage);

void BM_LoadAsModuleAndLookUpAllStrings(benchmark::State& state) {
    auto image = Image();
    for (auto _ : state) {
        winres::SetAppImage(image);
        std::size_t total = 0;
        for (int i = 0; i < 400; ++i) total += winres::LoadStringW(winres::AppInstance(), 65100 + i)->size();
        benchmark::DoNotOptimize(total);
    }
    winres::ResetAppImage();
}
BENCHMARK(BM_LoadAsModuleAndLookUpAllStrings);

}  // namespace

BENCHMARK_MAIN();
