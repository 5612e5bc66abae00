// GameData::ReadPluginFile over a synthetic load order of 1,000 plugins, side by side with reading
// every byte of the same files: the floor that any reader which parses the whole file sits on.
//
// The files are written once per run into a folder under the temporary folder (the setup, not
// timed) and removed when the program ends: 999 small plugins of some tens of kilobytes (worlds with
// their world-children groups, a few compressed, some localized, between other groups; every third
// with weathers and a climate, every fifth with weather regions) and one 250 MB master whose WRLD group
// comes late, behind big groups of other records, with large world-children groups, as the base game's
// master lays itself out, and groups of weathers (400 of 2.5 KB, their DATA after 2 KB of other
// subrecords), climates (60) and regions (700 of 3 KB) between them (tests/support/GameDescription.h
// writes filler where no reader looks). The file cache is warm: the files were just written.
//
// Each row's label tells the bytes that ReadPluginFile read (BytesRead) per plugin beside the size of
// the files and the records it keeps, so that the output shows how little of the master the reader
// touches.
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
        const auto group = [&rows](const char* type, int records, int size) {
            rows.push_back({"group", type, "records=" + std::to_string(records), "size=" + std::to_string(size)});
        };
        group("GMST", 2000, 60);
        group("KYWD", 5000, 40);
        group("TXST", 3000, 150);
        rows.push_back({"group", "CLMT"});
        rows.push_back({"clmt", Hex(0x812), "EDID=Climate", "WLST=0x81A:40,0x12F89:30,0xC821E:20,0x10A240:10",
                        "FNAM=20", "GNAM=20", "MODL=30", "TNAM=6", "repeat=60"});
        group("STAT", 600000, 220);
        group("NPC_", 80000, 900);
        rows.push_back({"group", "WTHR"});
        rows.push_back({"wthr", Hex(0x81A), "EDID=Weather", "00TX=900", "PNAM=512", "JNAM=512", "NAM0=272", "FNAM=32",
                        "DATA=0x01", "NAM1=4", "IMSP=16", "DALC=128", "MODL=40", "repeat=400"});
        group("DIAL", 60000, 120);
        rows.push_back({"group", "REGN"});
        rows.push_back({"regn", Hex(0xC5858), "EDID=Region", "RCLR=4", "WNAM=0x3C", "RPLI=4", "RPLD=400", "RDAT=2:0:50",
                        "RDOT=2000", "RDAT=3:0:50", "RDWT=0x81A:60,0x12F89:30,0x10A241:10,0xC821E:5,0xC8221:5",
                        "RDAT=7:0:50", "RDSA=200", "repeat=700"});
        rows.push_back({"group", "WRLD"});
        rows.push_back(
            {"wrld", Hex(0x3C), "EDID=Tamriel", "FULLID=1", "OFST=300000", "compressed", "children=6000000"});
        for (std::uint32_t i = 0; i < 20; ++i)
            rows.push_back({"wrld", Hex(0x1A26F + i * 0x1000), "EDID=City" + std::to_string(i),
                            "FULL=The City" + std::to_string(i), "children=300000"});
        group("CELL", 30000, 180);
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
        // A weather mod: weathers (DATA after 1 KB of other subrecords) and a climate of its own.
        if (number % 3 == 0)
            rows.insert(rows.end(), {{"group", "WTHR"},
                                     {"wthr", Hex(0x01000900), "EDID=Weather" + std::to_string(number), "00TX=800",
                                      "PNAM=256", "DATA=0x02", "NAM1=4", "DALC=128", "repeat=3"},
                                     {"group", "CLMT"},
                                     {"clmt", Hex(0x01000910), "EDID=Climate" + std::to_string(number),
                                      "WLST=0x01000900:50,0x01000901:30,0x81A:20", "TNAM=6"}});
        // Regions of its worlds.
        if (number % 5 == 0)
            rows.insert(rows.end(),
                        {{"group", "REGN"},
                         {"regn", Hex(0x01000920), "EDID=Region" + std::to_string(number), "WNAM=0x01000800", "RPLI=4",
                          "RPLD=200", "RDAT=3:0:50", "RDWT=0x81A:60,0x12F89:40", "repeat=2"}});
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

    // What a plugin keeps: "N records (W worldspaces, ...)".
    struct Kept
    {
        std::uint64_t Worldspaces = 0, Weathers = 0, Climates = 0, Regions = 0, Entries = 0;

        void Add(const GameData::PluginFile& plugin)
        {
            Worldspaces += plugin.Worldspaces.size();
            Weathers += plugin.Weathers.size();
            Climates += plugin.Climates.size();
            Regions += plugin.Regions.size();
            Entries += plugin.Entries;
        }

        [[nodiscard]] std::string Text(std::uint64_t plugins) const
        {
            char text[160];
            std::snprintf(text, sizeof text,
                          "%.1f records (%.1f worldspaces, %.1f weathers, %.1f climates, %.1f regions), %.1f entries",
                          static_cast<double>(Worldspaces + Weathers + Climates + Regions) /
                              static_cast<double>(plugins),
                          static_cast<double>(Worldspaces) / static_cast<double>(plugins),
                          static_cast<double>(Weathers) / static_cast<double>(plugins),
                          static_cast<double>(Climates) / static_cast<double>(plugins),
                          static_cast<double>(Regions) / static_cast<double>(plugins),
                          static_cast<double>(Entries) / static_cast<double>(plugins));
            return text;
        }
    };

    void BM_LoadOrder_ReadPluginFile(Bench::State& state)
    {
        const auto& files = Files();
        std::uint64_t read = 0, masterRead = 0;
        Kept kept;
        for (auto _ : state)
        {
            read = 0;
            kept = {};
            for (const auto& path : files.Paths)
            {
                const auto plugin = GameData::ReadPluginFile(path);
                read += plugin.BytesRead;
                kept.Add(plugin);
                masterRead = &path == &files.Paths.front() ? plugin.BytesRead : masterRead;
                Bench::DoNotOptimize(plugin);
            }
        }
        state.SetItemsProcessed(state.iterations() * Plugins);
        state.SetLabel("BytesRead " + std::to_string(read / Plugins) + " B/plugin of " +
                       std::to_string(files.Bytes / Plugins) + ", keeping " + kept.Text(Plugins) + "; master " +
                       std::to_string(masterRead) + " B of " + Megabytes(files.MasterBytes));
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
        Kept kept;
        for (auto _ : state)
        {
            const auto plugin = GameData::ReadPluginFile(files.Paths.front());
            read = plugin.BytesRead;
            kept = {};
            kept.Add(plugin);
            Bench::DoNotOptimize(plugin);
        }
        state.SetItemsProcessed(state.iterations());
        state.SetLabel("BytesRead " + std::to_string(read) + " B of " + Megabytes(files.MasterBytes) + ", keeping " +
                       kept.Text(1));
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
