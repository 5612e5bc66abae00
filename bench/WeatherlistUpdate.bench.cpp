// One UpdateCurrentWeatherlist run that switches, and its parts, on a realistic "_nimbrava.ini":
// all 99 weatherlist sections (about 6 KB), each listing a few worldspaces and naming a file that
// exists. The runs alternate between two worldspaces listed only by the last two sections, so that
// every run reads the whole file, tries all 99 numbers, tests a file and publishes a path.
// The log file is open, as in the game (one flushed write per line).
//
// The enbseries directory is fixed at load from the working directory, so run it from an empty one:
//   cd "$(mktemp -d)" && /work/.../cmake/wine-run.sh /work/.../build/windows/bin/WeatherlistUpdateBench.exe

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>
#include "Files/CodePage.h"
#include "Switching/EnbseriesDirectory.h"
#include "Harness.h"
#include "Orvel/Ini.h"
#include "Orvel/Log.h"
#include "Files/RegularFile.h"
#include "Choice/WeatherlistChoice.h"
#include "Switching/WeatherlistPath.h"
#include "Switching/WeatherlistSelection.h"

namespace
{
    constexpr std::uint32_t FirstWorldspace = 0xA1000098;  // listed by WEATHERLIST98 only
    constexpr std::uint32_t SecondWorldspace = 0xA1000099; // listed by WEATHERLIST99 only

    std::string RealisticConfiguration()
    {
        std::string text = "; Nimbrava: an ENB weather list for each worldspace\n"
                           "; WEATHERLIST01 to WEATHERLIST99, the lowest number wins\n\n";
        char line[200];
        for (int i = 1; i <= 99; ++i)
        {
            std::snprintf(line, sizeof line,
                          "[WEATHERLIST%02d]\n; region %d\nWorldspaceIDs = 0x%X, 0x%X, %X, 0x%06X ; outdoor\n"
                          "FileName = \"weathers\\\\region%02d.ini\"\n\n",
                          i, i, 0x1000 + i, 0x2000 + i, 0x3000 + i, 0x100000 + i, i);
            text += line;
        }
        // The two worldspaces the runs alternate between, in the last sections only.
        text.insert(text.find("0x2062"), "0x98, ");
        text.insert(text.find("0x2063"), "0x99, ");
        return text;
    }

    // Lays out the game directory once; removed again when the program ends.
    struct Game
    {
        Game()
        {
            const auto& enbseries = Nimbrava::EnbseriesDirectory();
            if (std::filesystem::exists(enbseries))
            {
                std::fprintf(stderr, "%s exists: run from an empty directory\n", enbseries.string().c_str());
                std::exit(2);
            }
            std::filesystem::create_directories(enbseries / "weathers");
            std::ofstream(enbseries / "_nimbrava.ini", std::ios::binary) << RealisticConfiguration();
            std::ofstream(enbseries / "_weatherlist.ini") << "[WEATHER001]\n";
            for (int i = 1; i <= 99; ++i)
                std::ofstream(enbseries / "weathers" / ("region" + std::to_string(100 + i).substr(1) + ".ini"))
                    << "[WEATHER001]\n";
            Orvel::Logger::Instance().Open(enbseries.parent_path() / "Nimbrava.log", "Nimbrava");
        }
        ~Game()
        {
            std::error_code ignored;
            std::filesystem::remove_all(Nimbrava::EnbseriesDirectory(), ignored);
        }
    };

    // Times every iteration on its own: the machine is shared, and the median of single runs says
    // more about one change of worldspace than the mean does. The distribution goes into the label.
    template <typename Body>
    void TimeEachRun(Bench::State& state, Body body)
    {
        std::vector<double> microseconds;
        microseconds.reserve(static_cast<std::size_t>(state.max_iterations()));
        std::int64_t run = 0;
        for (auto _ : state)
        {
            const auto start = std::chrono::steady_clock::now();
            body(run++);
            microseconds.push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
        std::sort(microseconds.begin(), microseconds.end());
        const auto at = [&](double q) {
            return microseconds[static_cast<std::size_t>(q * static_cast<double>(microseconds.size() - 1))];
        };
        char label[96];
        std::snprintf(label, sizeof label, "median %.1f us, p90 %.1f us", at(0.5), at(0.9));
        state.SetLabel(label);
    }

    Game& TheGame()
    {
        static Game game;
        return game;
    }

    void BM_UpdateCurrentWeatherlistSwitching(Bench::State& state)
    {
        TheGame();
        TimeEachRun(state, [](std::int64_t run) {
            Nimbrava::StoredWorldspaceId = (run & 1) != 0 ? SecondWorldspace : FirstWorldspace;
            Nimbrava::UpdateCurrentWeatherlist();
        });
        if (Nimbrava::CurrentWeatherlistPath::Load().Wide.find(L"region9") == std::wstring::npos)
            state.SetLabel("NOT SWITCHING: the configuration or the tree is wrong");
    }
    NIMBRAVA_BENCHMARK(BM_UpdateCurrentWeatherlistSwitching);

    // The parts, in the order a run takes them.

    void BM_ReadConfiguration(Bench::State& state)
    {
        TheGame();
        const auto path = Nimbrava::EnbseriesDirectory() / "_nimbrava.ini";
        TimeEachRun(state, [&](std::int64_t) {
            Orvel::IniInterface document(path);
            Bench::DoNotOptimize(document);
        });
    }
    NIMBRAVA_BENCHMARK(BM_ReadConfiguration);

    void BM_ChooseAmong99Sections(Bench::State& state)
    {
        TheGame();
        const Orvel::IniInterface document(Nimbrava::EnbseriesDirectory() / "_nimbrava.ini");
        TimeEachRun(state, [&](std::int64_t) {
            auto choice = Nimbrava::ChooseWeatherlist(document, Nimbrava::MaskWorldspaceId(SecondWorldspace));
            Bench::DoNotOptimize(choice);
        });
    }
    NIMBRAVA_BENCHMARK(BM_ChooseAmong99Sections);

    void BM_RegularFileTest(Bench::State& state)
    {
        TheGame();
        const auto candidate = Nimbrava::EnbseriesDirectory() / L"weathers\\region99.ini";
        TimeEachRun(state, [&](std::int64_t) {
            bool found = Nimbrava::IsRegularFile(candidate);
            Bench::DoNotOptimize(found);
        });
    }
    NIMBRAVA_BENCHMARK(BM_RegularFileTest);

    void BM_ConvertAndPublishPath(Bench::State& state)
    {
        TheGame();
        const std::wstring paths[2] = {(Nimbrava::EnbseriesDirectory() / L"weathers\\region98.ini").native(),
                                       (Nimbrava::EnbseriesDirectory() / L"weathers\\region99.ini").native()};
        TimeEachRun(state, [&](std::int64_t run) {
            const auto& wide = paths[run & 1];
            Nimbrava::CurrentWeatherlistPath::Publish(wide, Nimbrava::WideToNarrow(wide, Nimbrava::FileApiCodePage()));
        });
    }
    NIMBRAVA_BENCHMARK(BM_ConvertAndPublishPath);

    void BM_LogLine(Bench::State& state)
    {
        TheGame();
        TimeEachRun(state, [](std::int64_t) {
            Orvel::Logger::Instance().Log(Orvel::LogLevel::Message, "Switching to weatherlist '{}'",
                                          "weathers\\region99.ini");
        });
    }
    NIMBRAVA_BENCHMARK(BM_LogLine);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
