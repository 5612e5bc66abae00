// The ENB callback through the real Nimbrava.dll under Wine, called the way the stand-in ENB calls
// it: a type-2 callback that changes nothing (against the ENBGetState call it makes), one of another
// type, and one that switches (configuration read, file test, log lines and the reload request), with
// and without ENB's own read of the weather list during the reload.
//
//   cmake/wine-run.sh build/windows/bin/EnbCallbackBench.exe

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include "EnbControl.h"
#include "Enb/EnbInterface.h"
#include "Harness.h"
#include "PluginHost.h"
#include "DataFiles.h"
#include "YarrinControl.h"

namespace
{
    using Callback = void (*)(std::uint32_t);

    // A game folder with a realistic configuration (99 sections, the worldspaces switched between
    // in the last two), the plugin loaded and started. Shared by all benchmarks.
    struct Game
    {
        NimbravaTest::TempDirectory Folder;
        std::unique_ptr<NimbravaTest::PluginHost> Host;
        Callback Registered = nullptr;

        Game()
        {
            std::filesystem::create_directories(Folder / "enbseries");
            std::string configuration;
            for (int n = 1; n <= 99; ++n)
            {
                char section[160];
                std::snprintf(section, sizeof section,
                              "[WEATHERLIST%02d]\r\n; worldspaces of area %d\r\nWorldspaceIDs=%X, %X, %X\r\n"
                              "FileName=weatherlists\\area%02d.ini\r\n\r\n",
                              n, n, 0x1000 + n, 0x2000 + n,
                              n == 98   ? 0x3C
                              : n == 99 ? 0x800
                                        : 0x3000 + n,
                              n);
                configuration += section;
            }
            Folder.WriteFile("enbseries/_nimbrava.ini", configuration);
            std::filesystem::create_directories(Folder / "enbseries" / "weatherlists");
            for (const char* name : {"weatherlists/area98.ini", "weatherlists/area99.ini", "_weatherlist.ini"})
                Folder.WriteFile(std::filesystem::path("enbseries") / name, "[WEATHER001]\r\nList=1\r\n");
            std::filesystem::current_path(Folder.Path());
            YarrinTest_Reset(Folder.Path().c_str());
            EnbTest_Restart();
            Host = std::make_unique<NimbravaTest::PluginHost>();
            Host->Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(true));
            Host->Main(NimbravaTest::PluginHost::MakeRuntimeInfo(true));
            Registered = EnbTest()->Callback;
        }
    };

    Game& TheGame()
    {
        static Game game;
        return game;
    }

    void BM_EnbGetState(Bench::State& state)
    {
        TheGame();
        EnbTest()->Worldspace = 0x3C;
        for (auto _ : state)
            Bench::DoNotOptimize(ENBGetState(22));
    }
    NIMBRAVA_BENCHMARK(BM_EnbGetState);

    void BM_CallbackNoChange(Bench::State& state)
    {
        const Callback callback = TheGame().Registered;
        EnbTest()->Worldspace = 0x3C;
        callback(2);
        for (auto _ : state)
            callback(2);
    }
    NIMBRAVA_BENCHMARK(BM_CallbackNoChange);

    void BM_CallbackOtherType(Bench::State& state)
    {
        const Callback callback = TheGame().Registered;
        for (auto _ : state)
            callback(1);
    }
    NIMBRAVA_BENCHMARK(BM_CallbackOtherType);

    void Switch(Bench::State& state, bool enbReads)
    {
        const Callback callback = TheGame().Registered;
        EnbTest()->ReadOnReload = enbReads;
        std::uint32_t id = 0x3C;
        for (auto _ : state)
        {
            id = id == 0x3C ? 0x800 : 0x3C;
            EnbTest()->Worldspace = id;
            callback(2);
        }
        EnbTest()->ReadOnReload = true;
    }

    void BM_CallbackSwitch(Bench::State& state)
    {
        Switch(state, false);
    }
    NIMBRAVA_BENCHMARK(BM_CallbackSwitch);

    void BM_CallbackSwitchAndEnbReads(Bench::State& state)
    {
        Switch(state, true);
    }
    NIMBRAVA_BENCHMARK(BM_CallbackSwitchAndEnbReads);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
