#pragma once
// One benchmark source for both builds: natively it is Google Benchmark; under Wine, where that
// library is not available, a plain timing harness with the same shape runs the same code.
//
//   void BM_Something(Bench::State& state) { for (auto _ : state) { ... } state.SetItemsProcessed(...); }
//   NIMBRAVA_BENCHMARK(BM_Something);
//   NIMBRAVA_BENCHMARK_MAIN();

#ifndef NIMBRAVA_PLAIN_HARNESS

#include <benchmark/benchmark.h>

namespace Bench
{
    using State = benchmark::State;
    using benchmark::DoNotOptimize;
} // namespace Bench

// Wall-clock time, as the plain harness measures: several benchmarks wait on files.
#define NIMBRAVA_BENCHMARK(function) BENCHMARK(function)->UseRealTime()
#define NIMBRAVA_BENCHMARK_MAIN() BENCHMARK_MAIN()

#else

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace Bench
{
    template <typename T>
    inline void DoNotOptimize(T&& value)
    {
        asm volatile("" : : "g"(&value) : "memory");
    }

    // Runs the loop body a given number of times; the harness grows that number until a run lasts
    // long enough to time.
    class State
    {
    public:
        explicit State(std::int64_t iterations) : m_iterations(iterations) {}

        // Non-trivial, so that the unused loop variable draws no warning.
        struct Value
        {
            ~Value() {}
        };
        struct Iterator
        {
            std::int64_t Remaining;
            bool operator!=(const Iterator&) const { return Remaining != 0; }
            void operator++() { --Remaining; }
            Value operator*() const { return {}; }
        };
        Iterator begin()
        {
            m_start = std::chrono::steady_clock::now();
            return {m_iterations};
        }
        Iterator end() { return {0}; }

        void SetItemsProcessed(std::int64_t items) { m_items = items; }
        void SetBytesProcessed(std::int64_t bytes) { m_bytes = bytes; }
        void SetLabel(const std::string& label) { m_label = label; }
        void PauseTiming() { m_paused = std::chrono::steady_clock::now(); }
        void ResumeTiming() { m_excluded += std::chrono::steady_clock::now() - m_paused; }
        [[nodiscard]] std::int64_t iterations() const { return m_iterations; }
        [[nodiscard]] std::int64_t max_iterations() const { return m_iterations; }

        // Called by the harness once the loop is done.
        double Seconds(std::chrono::steady_clock::time_point stop) const
        {
            return std::chrono::duration<double>(stop - m_start - m_excluded).count();
        }
        std::int64_t m_iterations;
        std::int64_t m_items = 0;
        std::int64_t m_bytes = 0;
        std::string m_label;
        std::chrono::steady_clock::time_point m_start{};
        std::chrono::steady_clock::time_point m_paused{};
        std::chrono::steady_clock::duration m_excluded{};
    };

    struct Registration
    {
        const char* Name;
        void (*Function)(State&);
    };

    inline std::vector<Registration>& Registry()
    {
        static std::vector<Registration> registry;
        return registry;
    }

    inline int Register(const char* name, void (*function)(State&))
    {
        Registry().push_back({name, function});
        return 0;
    }

    inline int RunAll(int argc, char** argv)
    {
        const char* filter = nullptr;
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], "--benchmark_filter=", 19) == 0)
                filter = argv[i] + 19;
        std::printf("%-48s %14s %12s %16s\n", "Benchmark", "Time", "Iterations", "Rate");
        for (const auto& entry : Registry())
        {
            if (filter != nullptr && std::strstr(entry.Name, filter) == nullptr)
                continue;
            std::int64_t iterations = 1;
            for (;;)
            {
                State state(iterations);
                entry.Function(state);
                const double seconds = state.Seconds(std::chrono::steady_clock::now());
                if (seconds >= 0.5 || iterations >= (std::int64_t{1} << 40))
                {
                    char rate[64] = "";
                    if (state.m_items > 0)
                        std::snprintf(rate, sizeof rate, "%.4gk items/s",
                                      static_cast<double>(state.m_items) / seconds / 1e3);
                    else if (state.m_bytes > 0)
                        std::snprintf(rate, sizeof rate, "%.4g MB/s",
                                      static_cast<double>(state.m_bytes) / seconds / 1e6);
                    std::printf("%-48s %11.1f ns %12lld %16s %s\n", entry.Name,
                                seconds * 1e9 / static_cast<double>(iterations), static_cast<long long>(iterations),
                                rate, state.m_label.c_str());
                    break;
                }
                const double grow = seconds > 0 ? 0.6 / seconds : 10.0;
                iterations = static_cast<std::int64_t>(static_cast<double>(iterations) * (grow > 10 ? 10 : grow + 1));
            }
        }
        return 0;
    }
} // namespace Bench

#define NIMBRAVA_BENCHMARK(function) \
    [[maybe_unused]] static const int function##_registered = ::Bench::Register(#function, function)
#define NIMBRAVA_BENCHMARK_MAIN() \
    int main(int argc, char** argv) \
    { \
        return ::Bench::RunAll(argc, argv); \
    }

#endif
