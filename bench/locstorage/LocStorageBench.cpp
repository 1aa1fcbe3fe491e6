// Translation store at program scale and beyond: building the tree, adding languages, and finding
// every item by number (sorted views) and by name. Each benchmark runs at two sizes so that the
// growth can be read off: a linear or n log n operation takes about twice as long at twice the
// size.
//
// Sizes are given as the number of properties; the constants are a fifth of that. Properties are
// spread over forms of 50 components with 20 properties each (the shape of real forms); the
// "one list" benchmarks put every property into a single component, the worst case for inserting
// into a sorted list.

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "locstore/LocStorage.h"

using namespace locstore;

namespace {

constexpr int kComponentsPerForm = 50;
constexpr int kPropertiesPerComponent = 20;
constexpr int kConstantsPerUnit = 1000;
constexpr int kLanguages = 10;

struct TPropertyRec {
    std::string Form, Component, Name;
    std::int32_t Id;
};
struct TConstantRec {
    std::string Unit, Name;
    std::int32_t Id;
};

struct TShape {
    std::vector<TPropertyRec> Properties;
    std::vector<TConstantRec> Constants;
};

std::string Numbered(const char* prefix, int n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%06d", prefix, n);
    return buffer;
}

// Records in the order a language file delivers them: list by list, each list in name order.
TShape MakeShape(int properties, bool oneList) {
    TShape shape;
    shape.Properties.reserve(static_cast<std::size_t>(properties));
    for (int i = 0; i < properties; ++i) {
        const int perForm = kComponentsPerForm * kPropertiesPerComponent;
        TPropertyRec rec;
        rec.Form = oneList ? "Form1" : Numbered("Form", i / perForm);
        rec.Component = oneList ? "comp" : Numbered("comp", (i % perForm) / kPropertiesPerComponent);
        rec.Name = oneList ? Numbered("Prop", i) : Numbered("Prop", i % kPropertiesPerComponent);
        rec.Id = i + 1;
        shape.Properties.push_back(std::move(rec));
    }
    const int constants = properties / 5;
    for (int i = 0; i < constants; ++i)
        shape.Constants.push_back({Numbered("Unit", i / kConstantsPerUnit), Numbered("SConst", i), i + 1});
    return shape;
}

void Shuffle(TShape& shape) {
    std::mt19937 rng(42);
    std::shuffle(shape.Properties.begin(), shape.Properties.end(), rng);
    std::shuffle(shape.Constants.begin(), shape.Constants.end(), rng);
}

std::unique_ptr<TLocStorage> Build(const TShape& shape) {
    auto store = std::make_unique<TLocStorage>();
    store->SetBaseLanguage(0x0409);
    const WideString text = u"Some translatable text";
    for (const TConstantRec& rec : shape.Constants) {
        TLocConstant* c = store->Units().FindOrAdd(rec.Unit)->Constants().FindOrAdd(rec.Id, rec.Name, 65000);
        c->BaseValue()->SetText(text);
    }
    for (const TPropertyRec& rec : shape.Properties) {
        TLocForm* form = store->Forms().FindOrAdd(rec.Form);
        TLocComponent* owner = rec.Component.empty() ? form : form->Components().FindOrAdd(rec.Component);
        owner->Properties().FindOrAdd(rec.Id, rec.Name, lvkString)->BaseValue()->SetText(text);
    }
    return store;
}

void AddLanguages(TLocStorage& store) {
    static const std::uint16_t ids[kLanguages] = {0x0407, 0x040C, 0x0410, 0x0C0A, 0x0419,
                                                  0x0415, 0x0405, 0x0408, 0x041F, 0x0413};
    for (std::uint16_t id : ids) store.AddLanguage(0, id);
}

void SetItems(benchmark::State& state, const TShape& shape) {
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(shape.Properties.size() + shape.Constants.size()));
    state.counters["items"] = static_cast<double>(shape.Properties.size() + shape.Constants.size());
}

void BM_BuildFileOrder(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    for (auto _ : state) {
        auto store = Build(shape);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    SetItems(state, shape);
}

void BM_BuildRandomOrder(benchmark::State& state) {
    TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    Shuffle(shape);
    for (auto _ : state) {
        auto store = Build(shape);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    SetItems(state, shape);
}

// Every property in one component, in name order and shuffled.
void BM_BuildOneListFileOrder(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), true);
    for (auto _ : state) {
        auto store = Build(shape);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    SetItems(state, shape);
}

void BM_BuildOneListRandom(benchmark::State& state) {
    TShape shape = MakeShape(static_cast<int>(state.range(0)), true);
    Shuffle(shape);
    for (auto _ : state) {
        auto store = Build(shape);
        benchmark::DoNotOptimize(store.get());
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    SetItems(state, shape);
}

// Ten AddLanguage calls on a built store; also reports the heap the finished store holds.
void BM_AddTenLanguages(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    double heapBytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const std::size_t before = mallinfo2().uordblks;
        auto store = Build(shape);
        state.ResumeTiming();
        AddLanguages(*store);
        state.PauseTiming();
        heapBytes = static_cast<double>(mallinfo2().uordblks - before);
        store.reset();
        state.ResumeTiming();
    }
    SetItems(state, shape);
    state.counters["heap_MB"] = heapBytes / (1024.0 * 1024.0);
    state.counters["bytes_per_value"] =
        heapBytes / (static_cast<double>(shape.Properties.size() + shape.Constants.size()) * (kLanguages + 1));
}

// The reader's way: fresh sorted views, then every item by its number.
void BM_LookupByIdSortedView(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    auto store = Build(shape);
    AddLanguages(*store);
    for (auto _ : state) {
        TLinearPropertyList props;
        TLinearConstantList constants;
        store->Forms().CollectProperties(props, true);
        store->Units().CollectConstants(constants, true);
        std::int64_t found = 0;
        for (const TPropertyRec& rec : shape.Properties) found += props.IndexOfId(rec.Id) >= 0;
        for (const TConstantRec& rec : shape.Constants) found += constants.IndexOfId(rec.Id) >= 0;
        if (found != static_cast<std::int64_t>(shape.Properties.size() + shape.Constants.size()))
            state.SkipWithError("an item was not found");
        benchmark::DoNotOptimize(found);
    }
    SetItems(state, shape);
}

// Every item by its qualified name through the tree (halving searches).
void BM_LookupByNameTree(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    auto store = Build(shape);
    AddLanguages(*store);
    for (auto _ : state) {
        std::int64_t found = 0;
        for (const TPropertyRec& rec : shape.Properties) {
            const int f = store->Forms().IndexOf(rec.Form);
            TLocComponent* owner = f >= 0 ? store->Forms().ItemAt(f)->FindComponent(rec.Component) : nullptr;
            found += owner != nullptr && owner->Properties().Find(rec.Name) != nullptr;
        }
        for (const TConstantRec& rec : shape.Constants) {
            const int u = store->Units().IndexOf(rec.Unit);
            found += u >= 0 && store->Units().ItemAt(u)->Constants().Find(rec.Name) != nullptr;
        }
        if (found != static_cast<std::int64_t>(shape.Properties.size() + shape.Constants.size()))
            state.SkipWithError("an item was not found");
        benchmark::DoNotOptimize(found);
    }
    SetItems(state, shape);
}

// Every item by its qualified name through fresh flat views (the reader's by-name matching).
void BM_LookupByNameView(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    auto store = Build(shape);
    AddLanguages(*store);
    for (auto _ : state) {
        TLinearPropertyList props;
        TLinearConstantList constants;
        store->Forms().CollectProperties(props, true);
        store->Units().CollectConstants(constants, true);
        std::int64_t found = 0;
        for (const TPropertyRec& rec : shape.Properties) found += props.IndexOfName(rec.Form, rec.Component, rec.Name) >= 0;
        for (const TConstantRec& rec : shape.Constants) found += constants.IndexOfName(rec.Unit, rec.Name) >= 0;
        if (found != static_cast<std::int64_t>(shape.Properties.size() + shape.Constants.size()))
            state.SkipWithError("an item was not found");
        benchmark::DoNotOptimize(found);
    }
    SetItems(state, shape);
}

// A language switch's share of store work: SetLanguageAt over every item.
void BM_SetLanguageAt(benchmark::State& state) {
    const TShape shape = MakeShape(static_cast<int>(state.range(0)), false);
    auto store = Build(shape);
    AddLanguages(*store);
    std::uint16_t id = 0x0407;
    for (auto _ : state) {
        store->SetLanguageAt(5, id);
        id ^= 0x0400;
    }
    SetItems(state, shape);
}

}  // namespace

BENCHMARK(BM_BuildFileOrder)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildRandomOrder)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildOneListFileOrder)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildOneListRandom)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AddTenLanguages)->Arg(25000)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupByIdSortedView)->Arg(25000)->Arg(50000)->Arg(100000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupByNameTree)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupByNameView)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetLanguageAt)->Arg(50000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Keep freed memory in the process, so that every size measures the store's own work and not
    // the first touch of fresh pages (which differs with how much the previous run gave back).
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
