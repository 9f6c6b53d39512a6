// bench/frame_bench.cpp: the cost of composing one frame of each part, of one fade step, of the
// start-up and of a whole cycle, each set against a plain copy of one 320 x 240 frame.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "fx/effects.h"
#include "main/demo.h"
#include "util/standard_streams.h"

namespace {

// The demo's objects made once from the data folder, as at start-up.
class Demo {
public:
    static void ensure() {
        static const bool made = make();
        if (!made) std::abort();
    }

private:
    static bool make() {
        std::filesystem::current_path(KAPU_DATA_DIR);
        const char* missing = demo_create_objects(screen_w, screen_h);
        if (missing) std::fprintf(stderr, "kapu_bench: cannot read %s in %s\n", missing, KAPU_DATA_DIR);
        return missing == nullptr;
    }
};

constexpr size_t frame_bytes = size_t{320} * 240 * 4;

void BM_FrameCopy(benchmark::State& state) {
    std::vector<uint32_t> from(frame_bytes / 4, 0x123456), to(frame_bytes / 4);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), frame_bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * frame_bytes));
}

// One frame of a part in its steady state: every switch on, the motions running on.
template <void (*draw)()>
void BM_Part(benchmark::State& state) {
    Demo::ensure();
    demo_reset_state();
    for (int i = 0; i < 64; ++i) draw();  // past the first frames (the plasma makes its palette)
    for (auto _ : state) {
        draw();
        benchmark::DoNotOptimize(canvas->pixels);
        benchmark::ClobberMemory();
    }
}

void BM_Part1(benchmark::State& state) { BM_Part<demo_draw_part1>(state); }
void BM_Part2(benchmark::State& state) { BM_Part<demo_draw_part2>(state); }
void BM_Part3(benchmark::State& state) { BM_Part<demo_draw_part3>(state); }

// One step of the fade-out on a full-colour frame; the frame is put back every 64 steps, long
// before it is black, and that copy is counted in (1/64 of a frame copy per step).
void BM_FadeStep(benchmark::State& state) {
    Demo::ensure();
    demo_reset_state();
    for (int i = 0; i < 64; ++i) demo_draw_part3();
    std::vector<uint32_t> frame(canvas->pixels, canvas->pixels + 320 * 240);
    int64_t n = 0;
    for (auto _ : state) {
        if ((n++ & 63) == 0) std::memcpy(canvas->pixels, frame.data(), frame_bytes);
        IMG_fade_step(canvas, 2);
        benchmark::DoNotOptimize(canvas->pixels);
        benchmark::ClobberMemory();
    }
}

// Start-up without display or sound: reading, scaling and making every object, then releasing.
void BM_Startup(benchmark::State& state) {
    Demo::ensure();
    demo_release_all();
    for (auto _ : state) {
        const char* missing = demo_create_objects(screen_w, screen_h);
        if (missing) state.SkipWithError("a picture is missing");
        demo_release_all();
    }
    demo_create_objects(screen_w, screen_h);
}

// The whole cycle of 4001 frames as the core steps it with no platform hooked up (start-up not
// included).
void BM_WholeCycle(benchmark::State& state) {
    Demo::ensure();
    for (auto _ : state) {
        demo_reset_state();
        DemoCycle cycle;
        while (cycle.shown < demo_cycle_frames) demo_step(&cycle);
    }
}

// With --benchmark_repetitions the fastest repetition is reported too: on a machine shared with
// other work it is the one least disturbed.
double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

BENCHMARK(BM_FrameCopy)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Part1)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Part2)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Part3)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_FadeStep)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_Startup)->Unit(benchmark::kMicrosecond)->ComputeStatistics("min", fastest);
BENCHMARK(BM_WholeCycle)->Unit(benchmark::kMillisecond)->ComputeStatistics("min", fastest);

// The console report, then a summary: time per frame and its ratio to the frame copy. The
// ratios use CPU time, which other programs on a busy machine disturb less than wall time, of
// the fastest repetition when there are several.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(std::ostream& out) : out_(out) {
        SetOutputStream(&out);
        SetErrorStream(&std::cerr);
    }

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            // With repetitions, the fastest repetition stands for the benchmark; else the run.
            const std::string name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "min") continue;
            if (run.run_type == Run::RT_Iteration && run.repetitions > 1) continue;
            const double ns = run.GetAdjustedCPUTime() * to_ns(run.time_unit);
            times_[name] = ns;
            if (std::find(order_.begin(), order_.end(), name) == order_.end()) order_.push_back(name);
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto copy = times_.find("BM_FrameCopy");
        if (copy == times_.end() || copy->second <= 0) return;
        char line[128];
        std::snprintf(line, sizeof line, "\n%-16s %16s %14s\n", "CPU time", "microseconds", "x frame copy");
        out_ << line;
        for (const std::string& name : order_) {
            const double ns = times_[name];
            std::snprintf(line, sizeof line, "%-16s %16.2f %14.2f\n", name.c_str() + 3, ns / 1000.0,
                          ns / copy->second);
            out_ << line;
        }
        out_.flush();
    }

private:
    static double to_ns(benchmark::TimeUnit unit) {
        switch (unit) {
            case benchmark::kNanosecond: return 1.0;
            case benchmark::kMicrosecond: return 1e3;
            case benchmark::kMillisecond: return 1e6;
            case benchmark::kSecond: return 1e9;
        }
        return 1.0;
    }
    std::ostream&                 out_;
    std::map<std::string, double> times_;
    std::vector<std::string>      order_;
};

}  // namespace

int main(int argc, char** argv) {
    standard_streams_open();  // the report and /dev/null take descriptors of their own below
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The scroller echoes its text on standard output: the report goes to a copy of standard
    // output, and standard output itself to /dev/null while the benchmarks run.
    std::fflush(stdout);
    const int report_fd = dup(1);
    const int null_fd = open("/dev/null", O_WRONLY);
    if (report_fd < 0 || null_fd < 0) return 1;
    std::ofstream report("/dev/fd/" + std::to_string(report_fd));
    dup2(null_fd, 1);
    close(null_fd);
    RatioReporter reporter(report);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
