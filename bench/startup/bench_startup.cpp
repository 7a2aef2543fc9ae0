// Time from exec until the main window is shown, and peak memory, for the program and for a
// minimal Qt Widgets window. Each repetition starts the program afresh on the offscreen
// platform; the floor is measured bare and with a menu and Japanese text. The child prints the
// monotonic clock once its window is shown and exits.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

long long Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

void Startup(benchmark::State& state, const char* program, const char* argument) {
    for (auto _ : state) {
        int out[2];
        if (pipe(out) != 0) {
            state.SkipWithError("pipe failed");
            return;
        }
        const long long start = Now();
        const pid_t child = fork();
        if (child == 0) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            close(out[1]);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("RUNAMIKA_STARTUP_PROBE", "1", 1);
            execl(program, program, argument, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char buffer[64];
        ssize_t got;
        while ((got = read(out[0], buffer, sizeof buffer)) > 0) line.append(buffer, got);
        close(out[0]);
        int status = 0;
        rusage usage{};
        wait4(child, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || line.empty()) {
            state.SkipWithError("the program did not report a shown window");
            return;
        }
        const long long shown = std::atoll(line.c_str());
        state.SetIterationTime(static_cast<double>(shown - start) / 1e9);
        state.counters["peak_kB"] = static_cast<double>(usage.ru_maxrss);
    }
}

} // namespace

BENCHMARK_CAPTURE(Startup, floor_window, FLOOR_WINDOW_PATH, nullptr)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Startup, floor_window_japanese_menu, FLOOR_WINDOW_PATH, "--japanese-menu")
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Startup, runamika, RUNAMIKA_PATH, nullptr)
    ->UseManualTime()
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
