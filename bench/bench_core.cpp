// The conversion core beside the C library's own text conversions, on the same inputs.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "convert/conversion.h"
#include "convert/number_text.h"

namespace {

const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = {
        "1", "2.5", "39.37", "-273.15", "12345.678", "0.000123", "1e308", "6.02214076e23",
        "3.14159265358979", "  42  ", "1234567890123456", "9.99e-206",
    };
    return texts;
}

const std::vector<Extended>& Values() {
    static const std::vector<Extended> values = {
        1.0L, 0.1L, 39.37L, -459.67L, 1.0L / 3.0L, 3927.72977219167L, 1e310L, 2.5e-7L,
        1234567890123456.0L, 999999999999999.5L, 0.304794416166296L, 1.79769313486232e308L,
    };
    return values;
}

void BM_ParseNumber(benchmark::State& state) {
    const auto& texts = Texts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ParseNumber(texts[i]));
        if (++i == texts.size()) i = 0;
    }
}
BENCHMARK(BM_ParseNumber);

void BM_strtold(benchmark::State& state) {
    const auto& texts = Texts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::strtold(texts[i].c_str(), nullptr));
        if (++i == texts.size()) i = 0;
    }
}
BENCHMARK(BM_strtold);

void BM_FormatNumber(benchmark::State& state) {
    const auto& values = Values();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FormatNumber(values[i]));
        if (++i == values.size()) i = 0;
    }
}
BENCHMARK(BM_FormatNumber);

void BM_snprintf_15Lg(benchmark::State& state) {
    const auto& values = Values();
    std::size_t i = 0;
    char buffer[64];
    for (auto _ : state) {
        std::snprintf(buffer, sizeof buffer, "%.15Lg", values[i]);
        benchmark::DoNotOptimize(buffer);
        if (++i == values.size()) i = 0;
    }
}
BENCHMARK(BM_snprintf_15Lg);

// One whole conversion: parse, store, two operations, format.
void BM_Convert(benchmark::State& state) {
    const auto page = static_cast<Page>(state.range(0));
    const int from = static_cast<int>(state.range(1));
    const int to = static_cast<int>(state.range(2));
    ConversionState conversion;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Convert(page, from, to, "12345.678", conversion));
    }
}
BENCHMARK(BM_Convert)
    ->ArgNames({"page", "from", "to"})
    ->Args({0, 8, 3})
    ->Args({1, 7, 4})
    ->Args({2, 6, 3})
    ->Args({3, 7, 4})
    ->Args({4, 1, 0});

} // namespace

int main(int argc, char** argv) {
    SetArithmeticEnvironment();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
