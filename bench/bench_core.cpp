// The conversion core with both arithmetic units beside the C library's own text conversions, on
// the same inputs: ParseNumber beside strtold, FormatNumber beside snprintf("%.15Lg"), and a whole
// Convert beside strtold plus snprintf of the same text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "bench/core_entries.h"

namespace {

const std::vector<std::string>& Texts() {
    static const std::vector<std::string> texts = {
        "1",
        "2.5",
        "39.37",
        "-273.15",
        "12345.678",
        "0.000123",
        "1e308",
        "6.02214076e23",
        "3.14159265358979",
        "  42  ",
        "1234567890123456",
        "9.99e-206",
    };
    return texts;
}

const std::vector<long double>& Values() {
    static const std::vector<long double> values = {
        1.0L,
        0.1L,
        39.37L,
        -459.67L,
        1.0L / 3.0L,
        3927.72977219167L,
        1e310L,
        2.5e-7L,
        1234567890123456.0L,
        999999999999999.5L,
        0.304794416166296L,
        1.79769313486232e308L,
    };
    return values;
}

ExtendedBits BitsOfLongDouble(long double x) {
    ExtendedBits bits{};
    std::memcpy(&bits.significand, &x, 8);
    std::memcpy(&bits.signExponent, reinterpret_cast<const char*>(&x) + 8, 2);
    return bits;
}

void ParseNumberWith(benchmark::State& state, const CoreEntries* core) {
    const auto& texts = Texts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(core->parse(texts[i]));
        if (++i == texts.size()) i = 0;
    }
}

void BM_strtold(benchmark::State& state) {
    const auto& texts = Texts();
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::strtold(texts[i].c_str(), nullptr));
        if (++i == texts.size()) i = 0;
    }
}

void FormatNumberWith(benchmark::State& state, const CoreEntries* core) {
    std::vector<ExtendedBits> values;
    for (const long double v : Values()) values.push_back(BitsOfLongDouble(v));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(core->format(values[i]));
        if (++i == values.size()) i = 0;
    }
}

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

constexpr const char* kConvertText = "12345.678";

// One whole conversion: parse, store, two operations, format.
void ConvertWith(benchmark::State& state, const CoreEntries* core) {
    const auto page = static_cast<int>(state.range(0));
    const int from = static_cast<int>(state.range(1));
    const int to = static_cast<int>(state.range(2));
    double values[2] = {0, 0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(core->convert(page, from, to, kConvertText, values));
    }
}

// What the C library takes for the same work: the text to a number and a number to a text.
void BM_strtold_and_snprintf(benchmark::State& state) {
    char buffer[64];
    for (auto _ : state) {
        const long double v = std::strtold(kConvertText, nullptr);
        std::snprintf(buffer, sizeof buffer, "%.15Lg", v * 39.37L);
        benchmark::DoNotOptimize(buffer);
    }
}

void Register(const CoreEntries* core) {
    const std::string suffix = std::string("/") + core->arithmetic;
    benchmark::RegisterBenchmark(("BM_ParseNumber" + suffix).c_str(), ParseNumberWith, core);
    benchmark::RegisterBenchmark(("BM_FormatNumber" + suffix).c_str(), FormatNumberWith, core);
    benchmark::RegisterBenchmark(("BM_Convert" + suffix).c_str(), ConvertWith, core)
        ->ArgNames({"page", "from", "to"})
        ->Args({0, 8, 3})
        ->Args({1, 7, 4})
        ->Args({2, 6, 3})
        ->Args({3, 7, 4})
        ->Args({4, 1, 0});
}

} // namespace

int main(int argc, char** argv) {
    const CoreEntries& x87 = X87CoreEntries();
    x87.setEnvironment();
    benchmark::RegisterBenchmark("BM_strtold", BM_strtold);
    benchmark::RegisterBenchmark("BM_snprintf_15Lg", BM_snprintf_15Lg);
    benchmark::RegisterBenchmark("BM_strtold_and_snprintf", BM_strtold_and_snprintf);
    Register(&x87);
    Register(&SoftwareCoreEntries());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}
