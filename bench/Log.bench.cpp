// Orvel::Logger against spdlog's basic file sink, writing the same line to a file and flushing
// after every line, as the plugin does when ENB reports a new worldspace.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include "Harness.h"
#include "Orvel/Log.h"

namespace
{
    std::filesystem::path BenchFile(const char* name)
    {
        return std::filesystem::temp_directory_path() / name;
    }

    void OrvelLogger(Bench::State& state)
    {
        const auto path = BenchFile("nimbrava-bench-orvel.log");
        {
            Orvel::Logger logger;
            logger.Open(path, "Nimbrava");
            unsigned id = 0x3C;
            for (auto _ : state)
                logger.Log(Orvel::LogLevel::Message, "Worldspace changed. New ID: {:X}", id++);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
        std::filesystem::remove(path);
    }

    void Spdlog(Bench::State& state)
    {
        const auto path = BenchFile("nimbrava-bench-spdlog.log");
        {
            auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>(path.string(), true);
            spdlog::logger logger("bench", sink);
            logger.set_pattern("%Y/%m/%d - %H:%M:%S [MESSAGE] %v");
            logger.flush_on(spdlog::level::trace);
            unsigned id = 0x3C;
            for (auto _ : state)
                logger.info("Worldspace changed. New ID: {:X}", id++);
        }
        state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
        std::filesystem::remove(path);
    }
} // namespace

NIMBRAVA_BENCHMARK(OrvelLogger);
NIMBRAVA_BENCHMARK(Spdlog);
NIMBRAVA_BENCHMARK_MAIN();
