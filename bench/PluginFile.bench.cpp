// GameData::ReadPluginFile over a synthetic load order of 1,000 plugins, side by side with reading
// every byte of the same files: the floor that any reader which parses the whole file sits on.
//
// The files are written once per run into a folder under the temporary folder (the setup, not
// timed) and removed when the program ends: 999 small plugins of some tens of kilobytes (worlds with
// their world-children groups, a few compressed, some localized, between other groups) and one 250 MB
// master whose WRLD group comes last, behind big groups of other records, with large world-children
// groups, as the base game's master lays itself out (tests/support/GameDescription.h writes filler
// where no reader of worldspaces looks). The file cache is warm: the files were just written.
//
// Each row's label tells the bytes that ReadPluginFile read (BytesRead) per plugin, and the size of
// the files, so that the output shows how little of the master the reader touches.
//
//   native:  build/native/bin/PluginFileBench
//   windows: cmake/wine-run.sh build/windows/bin/PluginFileBench.exe

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <tuple>
#include <vector>
#include "Files.h"
#include "GameData/PluginFile.h"
#include "Harness.h"
#include "GameDescription.h"
#include "DataFiles.h"

namespace
{
    namespace fs = std::filesystem;
    using Rows = std::vector<std::vector<std::string>>;

    constexpr int Plugins = 1000;

    std::string Hex(std::uint32_t value)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%08X", value);
        return text;
    }

    // The base game's master: about 250 MB of other records first, then the worldspaces.
    Rows Master()
    {
        Rows rows = {{"plugin", "Skyrim.esm", "flags=0x81", "version=1.7"}};
        for (const auto& [type, records, size] : {std::tuple{"GMST", 2000, 60},
                                                  {"KYWD", 5000, 40},
                                                  {"TXST", 3000, 150},
                                                  {"STAT", 600000, 220},
                                                  {"NPC_", 80000, 900},
                                                  {"DIAL", 60000, 120},
                                                  {"CELL", 30000, 180}})
            rows.push_back({"group", type, "records=" + std::to_string(records), "size=" + std::to_string(size)});
        rows.push_back({"group", "WRLD"});
        rows.push_back(
            {"wrld", Hex(0x3C), "EDID=Tamriel", "FULLID=1", "OFST=300000", "compressed", "children=6000000"});
        for (std::uint32_t i = 0; i < 20; ++i)
            rows.push_back({"wrld", Hex(0x1A26F + i * 0x1000), "EDID=City" + std::to_string(i),
                            "FULL=The City" + std::to_string(i), "children=300000"});
        return rows;
    }

    // A mod: a few groups around one to three worlds of its own with their children.
    Rows Mod(int number)
    {
        char name[32];
        std::snprintf(name, sizeof name, "Mod%04d.esp", number);
        const bool localized = number % 7 == 0;
        Rows rows = {{"plugin", name, localized ? "flags=0x80" : "flags=0", "master=Skyrim.esm"},
                     {"group", "GMST", "records=10", "size=40"},
                     {"group", "KYWD", "records=20", "size=30"},
                     {"group", "WRLD"}};
        for (int i = 0; i < 1 + number % 3; ++i)
        {
            const std::string world = name + std::to_string(i);
            rows.push_back({"wrld", Hex(0x01000800 + static_cast<std::uint32_t>(i)), "EDID=" + world,
                            localized ? "FULLID=0x10" : "FULL=The " + world,
                            "children=" + std::to_string(4000 + (number % 5) * 3000)});
            if (number % 4 == 0)
                rows.back().push_back("compressed");
        }
        rows.push_back({"group", "CELL", "records=10", "size=100"});
        return rows;
    }

    struct LoadOrder
    {
        fs::path Folder;
        std::vector<fs::path> Paths; // the master first
        std::uint64_t Bytes = 0;
        std::uint64_t MasterBytes = 0;

        LoadOrder()
        {
            Folder = fs::temp_directory_path() / "nimbrava-bench-load-order";
            fs::remove_all(Folder);
            fs::create_directories(Folder);
            for (int i = 0; i < Plugins; ++i)
            {
                const auto rows = i == 0 ? Master() : Mod(i);
                const auto written = NimbravaTest::WriteGame(rows);
                const std::string& bytes = written.Files.at("Data/" + rows[0][1]);
                Paths.push_back(Folder / rows[0][1]);
                NimbravaTest::WriteFile(Paths.back(), bytes);
                Bytes += bytes.size();
                if (i == 0)
                    MasterBytes = bytes.size();
            }
        }
        ~LoadOrder()
        {
            std::error_code ignored;
            fs::remove_all(Folder, ignored);
        }
        LoadOrder(const LoadOrder&) = delete;
        LoadOrder& operator=(const LoadOrder&) = delete;
    };

    const LoadOrder& Files()
    {
        static const LoadOrder files;
        return files;
    }

    std::string Megabytes(std::uint64_t bytes)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
        return text;
    }

    void BM_LoadOrder_ReadPluginFile(Bench::State& state)
    {
        const auto& files = Files();
        std::uint64_t read = 0, masterRead = 0;
        for (auto _ : state)
        {
            read = 0;
            for (const auto& path : files.Paths)
            {
                const auto plugin = GameData::ReadPluginFile(path);
                read += plugin.BytesRead;
                masterRead = &path == &files.Paths.front() ? plugin.BytesRead : masterRead;
                Bench::DoNotOptimize(plugin);
            }
        }
        state.SetItemsProcessed(state.iterations() * Plugins);
        state.SetLabel("BytesRead " + std::to_string(read / Plugins) + " B/plugin of " +
                       std::to_string(files.Bytes / Plugins) + "; master " + std::to_string(masterRead) + " B of " +
                       Megabytes(files.MasterBytes));
    }
    NIMBRAVA_BENCHMARK(BM_LoadOrder_ReadPluginFile);

    // The floor of a reader that parses everything: every byte read, in 1 MiB blocks.
    void BM_LoadOrder_ReadEveryByte(Bench::State& state)
    {
        const auto& files = Files();
        std::vector<char> buffer;
        for (auto _ : state)
        {
            std::uint64_t total = 0;
            for (const auto& path : files.Paths)
                total += Bench::ReadEveryByte(path, buffer);
            if (total != files.Bytes)
                std::fprintf(stderr, "read %llu bytes of %llu\n", static_cast<unsigned long long>(total),
                             static_cast<unsigned long long>(files.Bytes));
            Bench::DoNotOptimize(buffer);
        }
        state.SetItemsProcessed(state.iterations() * Plugins);
        state.SetLabel(std::to_string(files.Bytes / Plugins) + " B/plugin; master " + Megabytes(files.MasterBytes));
    }
    NIMBRAVA_BENCHMARK(BM_LoadOrder_ReadEveryByte);

    void BM_Master_ReadPluginFile(Bench::State& state)
    {
        const auto& files = Files();
        std::uint64_t read = 0;
        for (auto _ : state)
        {
            const auto plugin = GameData::ReadPluginFile(files.Paths.front());
            read = plugin.BytesRead;
            Bench::DoNotOptimize(plugin);
        }
        state.SetItemsProcessed(state.iterations());
        state.SetLabel("BytesRead " + std::to_string(read) + " B of " + Megabytes(files.MasterBytes));
    }
    NIMBRAVA_BENCHMARK(BM_Master_ReadPluginFile);

    void BM_Master_ReadEveryByte(Bench::State& state)
    {
        const auto& files = Files();
        std::vector<char> buffer;
        for (auto _ : state)
        {
            Bench::DoNotOptimize(Bench::ReadEveryByte(files.Paths.front(), buffer));
            Bench::DoNotOptimize(buffer);
        }
        state.SetItemsProcessed(state.iterations());
        state.SetLabel(Megabytes(files.MasterBytes));
    }
    NIMBRAVA_BENCHMARK(BM_Master_ReadEveryByte);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
