// Reading a language file of about 1 MB: a structure load into a fresh store and a matching load
// of a translation into a second slot, for plain and LZK-compressed files. Reports bytes of the
// file (as stored) per second.

#include <benchmark/benchmark.h>

#include <string>

#include "langdata/LangFileWriter.h"
#include "langdata/LocLangFile.h"
#include "locstore/LocStorage.h"

namespace {

using namespace locstore;

// A project shaped like ours, scaled up: units of message strings and forms with components.
void MakeStore(TLocStorage& store, std::uint16_t languageId, const char16_t* suffix) {
    store.SetBaseLanguage(languageId);
    int id = 1;
    for (int u = 0; u < 60; ++u) {
        TLocUnit* unit = store.Units().FindOrAdd("Unit" + std::to_string(u));
        for (int c = 0; c < 150; ++c, ++id) {
            TLocConstant* k = unit->Constants().FindOrAdd(id, "SMessage" + std::to_string(c), 60000 + c);
            std::u16string text = u"The message number " + std::u16string(c % 7 + 1, u'x') + suffix;
            k->BaseValue()->SetText(text);
            k->BaseValue()->SetRevision(c % 5);
        }
    }
    int pid = 1;
    for (int f = 0; f < 40; ++f) {
        TLocForm* form = store.Forms().FindOrAdd("Form" + std::to_string(f));
        form->Properties().FindOrAdd(pid++, "Caption", lvkString)->BaseValue()->SetText(u"Window" + std::u16string(suffix));
        for (int c = 0; c < 60; ++c) {
            TLocComponent* comp = form->Components().FindOrAdd("control" + std::to_string(c));
            comp->Properties().FindOrAdd(pid++, "Caption", lvkString)->BaseValue()->SetText(u"Label text" + std::u16string(suffix));
            comp->Properties().FindOrAdd(pid++, "Hint", lvkString)->BaseValue()->SetText(u"A longer hint for the control" + std::u16string(suffix));
            comp->Properties().FindOrAdd(pid++, "Width", lvkInteger)->BaseValue()->SetText(u"120");
        }
    }
}

struct TFiles {
    std::vector<std::uint8_t> Native[2], Translation[2];
    TFiles() {
        TLocStorage en, es;
        MakeStore(en, 9, u"");
        MakeStore(es, 10, u" (es)");
        langdata::TLangFileHeader h;
        h.LanguageId = 9;
        h.IsNative = true;
        langdata::TLangFileHeader hes = h;
        hes.LanguageId = 10;
        hes.IsNative = false;
        for (int lzk = 0; lzk < 2; ++lzk) {
            Native[lzk] = langdata::MakeLanguageFile(h, en, 0, 7, lzk != 0);
            Translation[lzk] = langdata::MakeLanguageFile(hes, es, 0, 7, lzk != 0);
        }
    }
};

const TFiles& Files() {
    static const TFiles files;
    return files;
}

void BM_StructureLoad(benchmark::State& state) {
    const auto& bytes = Files().Native[state.range(0)];
    for (auto _ : state) {
        TLocStorage store;
        langdata::TLangFile file;
        rtl::TMemoryStream in(bytes);
        file.LoadFromStream(in, &store, 0, -1);
        benchmark::DoNotOptimize(store.Units().Count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    state.SetLabel(std::string(state.range(0) ? "lzk " : "plain ") + std::to_string(bytes.size()) + " bytes");
}

void BM_MatchingLoad(benchmark::State& state) {
    const auto& files = Files();
    const auto& bytes = files.Translation[state.range(0)];
    TLocStorage store;
    langdata::TLangFile native;
    rtl::TMemoryStream nin(files.Native[0]);
    native.LoadFromStream(nin, &store, 0, -1);
    int slot = store.AddLanguage(0, 10);
    for (auto _ : state) {
        langdata::TLangFile file;
        rtl::TMemoryStream in(bytes);
        file.LoadFromStream(in, &store, 0, slot);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
    state.SetLabel(std::string(state.range(0) ? "lzk " : "plain ") + std::to_string(bytes.size()) + " bytes");
}

}  // namespace

BENCHMARK(BM_StructureLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MatchingLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
