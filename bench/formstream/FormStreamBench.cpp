// Form streams: building a form of N controls from its stream, writing it back, and converting
// between the stream and its source text. A window of the program has a few dozen components;
// the larger sizes show how the cost grows.

#include <benchmark/benchmark.h>

#include <string>

#include "platform/rtti/ComponentStream.h"
#include "platform/rtti/Controls.h"
#include "platform/rtti/FormText.h"

namespace {

std::string Source(int controls) {
    std::string s = "object Form1: TForm\n  Caption = 'Benchmark'\n  Font.Name = 'Tahoma'\n";
    for (int i = 0; i < controls; ++i) {
        std::string n = std::to_string(i);
        s += "  object Panel" + n + ": TWinControl\n    Left = " + n + "\n    Width = 300\n    Align = alTop\n"
             "    Caption = 'Panel number " + n + "'\n    Hint = 'A hint for panel " + n + "'\n"
             "    Font.Style = [fsBold]\n    Font.Charset = DEFAULT_CHARSET\n    Color = clBtnFace\n  end\n";
    }
    return s + "end\n";
}

std::vector<std::uint8_t> Compiled(int controls) {
    rtl::TMemoryStream out;
    rtti::ObjectTextToBinary(Source(controls), out);
    return out.Bytes();
}

const rtti::TClassRegistry& Registry() {
    static const rtti::TClassRegistry r = [] {
        rtti::TClassRegistry reg;
        rtti::RegisterClasses(reg);
        return reg;
    }();
    return r;
}

void BM_ReadForm(benchmark::State& state) {
    auto bytes = Compiled(static_cast<int>(state.range(0)));
    rtti::TReadContext ctx{&Registry(), {}};
    for (auto _ : state) {
        rtl::TReadOnlyStream s(bytes);
        auto root = rtti::ReadRootComponent(s, ctx);
        benchmark::DoNotOptimize(root.get());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_ReadForm)->Arg(10)->Arg(100)->Arg(1000);

void BM_WriteForm(benchmark::State& state) {
    auto bytes = Compiled(static_cast<int>(state.range(0)));
    rtl::TReadOnlyStream s(bytes);
    auto root = rtti::ReadRootComponent(s, rtti::TReadContext{&Registry(), {}});
    for (auto _ : state) {
        rtl::TMemoryStream out;
        rtti::WriteRootComponent(out, *root);
        benchmark::DoNotOptimize(out.Memory());
    }
}
BENCHMARK(BM_WriteForm)->Arg(10)->Arg(100)->Arg(1000);

void BM_Decompile(benchmark::State& state) {
    auto bytes = Compiled(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rtl::TReadOnlyStream s(bytes);
        auto text = rtti::ObjectBinaryToText(s);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes.size()));
}
BENCHMARK(BM_Decompile)->Arg(100);

void BM_Compile(benchmark::State& state) {
    std::string text = Source(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        rtl::TMemoryStream out;
        rtti::ObjectTextToBinary(text, out);
        benchmark::DoNotOptimize(out.Memory());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Compile)->Arg(100);

}  // namespace

BENCHMARK_MAIN();
