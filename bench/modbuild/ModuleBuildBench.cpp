// Building the Spanish language module from the program's resources (every message string, the
// real TFORM1 and TABOUTBOX, the language pack, the settings records), and the part of it spent in
// the form processor. Run: bench_modbuild --benchmark_counters_tabular=true

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "langdata/LangFileWriter.h"
#include "langdata/LangPack.h"
#include "langdata/LangSource.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"
#include "modres/LocFormProc.h"
#include "modres/ModuleSettings.h"
#include "modres/WinResProc.h"
#include "platform/rtti/FormText.h"
#include "platform/winres/WinRes.h"
#include "resources/messages/MessageCatalog.h"

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::uint8_t> LanguageFile(const std::string& source) {
    locstore::TLocStorage parsed;
    auto header = langdata::ParseLangSource(source, "bench.vlang", parsed);
    return langdata::MakeLanguageFile(header, parsed, 0);
}

std::vector<std::uint8_t> Form(const std::string& name) {
    rtl::TMemoryStream out;
    rtti::ObjectTextToBinary(ReadFile(std::string(VLMRK_SOURCE_DIR) + "/resources/forms/" + name), out);
    return out.TakeBytes();
}

// The program's resources, made as the build makes them, and a store with English and Spanish.
struct TSetup {
    std::vector<std::uint8_t> Image;
    locstore::TLocStorage Store;
    langdata::TLangFile Spanish;

    TSetup() {
        const std::string data = std::string(VLMRK_SOURCE_DIR) + "/tests/data/langbuild/";
        const auto english = LanguageFile(ReadFile(data + "en.vlang"));
        modres::TResProcessor proc;
        auto strings = std::make_unique<modres::TResString>(&proc);
        for (const auto* rec : messages::AllMessages()) {
            rtl::WideString text(rec->Text.begin(), rec->Text.end());
            strings->AddString(rec->Id, text);
        }
        proc.AddBlock(std::move(strings));
        auto rcdata = std::make_unique<modres::TResRCData>(&proc);
        rcdata->AddItem("TFORM1", false)->Data->WriteBytes(Form("Form1.txt"));
        rcdata->AddItem("TABOUTBOX", false)->Data->WriteBytes(Form("AboutBox.txt"));
        rtl::TMemoryStream pack;
        langdata::WriteLanguagePack(pack, {{9, "English", u"English", english}}, modres::kProjectVersion);
        rcdata->AddItem(modres::kLangPackName, false)->LoadData(pack);
        proc.AddBlock(std::move(rcdata));
        modres::AddProgramSettings(proc);
        rtl::TMemoryStream image;
        proc.SaveToStream(image);
        Image = image.TakeBytes();

        rtl::TReadOnlyStream en(english);
        langdata::TLangFile native;
        native.LoadFromStream(en, &Store, 0, -1);
        const auto spanish = LanguageFile(ReadFile(data + "es.vlang"));
        rtl::TReadOnlyStream es(spanish);
        const int slot = Store.AddLanguage(0, 10);
        Spanish.LoadFromStream(es, &Store, 0, slot);
        Spanish.SetLanguageIndex(slot);
        winres::SetAppImage(Image);
    }
};

// The whole build, in memory: load, translate, rewrite the records, write the image.
void BM_BuildSpanishModule(benchmark::State& state) {
    TSetup s;
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
    TSetup s;
    const char* cache = std::getenv("TMPDIR");
    const std::string path = std::string(cache ? cache : "/tmp") + "/bench_modbuild.ES";
    for (auto _ : state) s.Spanish.BuildLanguageModule(winres::AppInstance(), path, &s.Store, "");
    std::remove(path.c_str());
}
BENCHMARK(BM_BuildSpanishModuleFile)->Unit(benchmark::kMillisecond);

// The form processor's part: both forms rewritten into Spanish (the loading is not timed).
void BM_FormProcessorPart(benchmark::State& state) {
    TSetup s;
    for (auto _ : state) {
        state.PauseTiming();
        modres::TResProcessor proc;
        proc.LoadFromModule(winres::AppInstance());
        state.ResumeTiming();
        modres::TLocFormProcessor forms;
        forms.Store = &s.Store;
        forms.ProjectForms = {"Form1", "AboutBox"};
        forms.LanguageIndex = s.Spanish.LanguageIndex();
        forms.LanguageId = 10;
        forms.ProcessBiDiMode = false;
        forms.ShowUntranslatedAsIs = false;
        forms.ProcessForms(proc);
        benchmark::DoNotOptimize(proc.FindRCData());
    }
}
BENCHMARK(BM_FormProcessorPart)->Unit(benchmark::kMillisecond);

// Loading the native resources, for comparison.
void BM_LoadNativeResources(benchmark::State& state) {
    TSetup s;
    for (auto _ : state) {
        modres::TResProcessor proc;
        proc.LoadFromModule(winres::AppInstance());
        benchmark::DoNotOptimize(proc.FindRCData());
    }
}
BENCHMARK(BM_LoadNativeResources)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
