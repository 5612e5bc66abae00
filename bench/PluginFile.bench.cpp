// GameData::ReadPluginFile over a synthetic load order of 1,000 plugins, side by side with reading
// every byte of the same files: the floor that any reader which parses the whole file sits on.
//
// The files are written once per run into a folder under the temporary folder (the setup, not
// timed) and removed when the program ends: 999 small plugins of some tens of kilobytes (worlds with
// their cells, a few compressed, some localized, between other groups) and one 250 MB master whose
// WRLD group comes last, behind big groups of other records, with large world-children groups, as
// the base game's master lays itself out. The file cache is warm: the files were just written.
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
#include <vector>
#include "GameData/PluginFile.h"
#include "Harness.h"
#include "GameDescription.h"
#include "DataFiles.h"

namespace
{
    namespace fs = std::filesystem;
    using NimbravaTest::GroupDescription;
    using NimbravaTest::PluginDescription;
    using NimbravaTest::SubrecordDescription;
    using NimbravaTest::WorldspaceDescription;

    constexpr int Plugins = 1000;

    std::string Name(const char* text)
    {
        return std::string(text) + '\0';
    }

    WorldspaceDescription World(std::uint32_t formId, const std::string& editorId, std::uint64_t children)
    {
        WorldspaceDescription world;
        world.FormId = formId;
        world.Subrecords = {{"EDID", Name(editorId.c_str())}, {"FULL", Name(("The " + editorId).c_str())}};
        world.ChildrenSize = children;
        return world;
    }

    // The base game's master: about 250 MB of other records first, then the worldspaces.
    PluginDescription Master()
    {
        PluginDescription master{"Skyrim.esm", 0x81, 1.7f, 44, {}, {}};
        master.Groups = {{"GMST", 2000, 60, {}},    {"KYWD", 5000, 40, {}},   {"TXST", 3000, 150, {}},
                         {"STAT", 600000, 220, {}}, {"NPC_", 80000, 900, {}}, {"DIAL", 60000, 120, {}},
                         {"CELL", 30000, 180, {}}};
        auto& worlds = master.Groups.emplace_back(GroupDescription{"WRLD", 0, 0, {}});
        auto tamriel = World(0x3C, "Tamriel", 6000000);
        tamriel.Subrecords[1] = {"FULL", std::string("\x01\0\0\0", 4)};
        tamriel.Subrecords.push_back({"OFST", std::string(300000, '\x11')});
        tamriel.Flags = NimbravaTest::WriterCompressedFlag;
        worlds.Worldspaces.push_back(tamriel);
        for (std::uint32_t i = 0; i < 20; ++i)
            worlds.Worldspaces.push_back(World(0x1A26F + i * 0x1000, "City" + std::to_string(i), 300000));
        return master;
    }

    // A mod: a few groups around one to three worlds of its own with their cells.
    PluginDescription Mod(int number)
    {
        char name[32];
        std::snprintf(name, sizeof name, "Mod%04d.esp", number);
        PluginDescription mod{name, number % 7 == 0 ? 0x80u : 0u, 1.7f, 44, {"Skyrim.esm"}, {}};
        mod.Groups = {{"GMST", 10, 40, {}}, {"KYWD", 20, 30, {}}, {"WRLD", 0, 0, {}}, {"CELL", 10, 100, {}}};
        for (int i = 0; i < 1 + number % 3; ++i)
        {
            auto world = World(0x01000800 + static_cast<std::uint32_t>(i), std::string(name) + std::to_string(i),
                               4000 + static_cast<std::uint64_t>(number % 5) * 3000);
            if ((mod.Flags & 0x80) != 0)
                world.Subrecords[1] = {"FULL", std::string("\x10\0\0\0", 4)};
            if (number % 4 == 0)
                world.Flags = NimbravaTest::WriterCompressedFlag;
            mod.Groups[2].Worldspaces.push_back(world);
        }
        return mod;
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
                const auto description = i == 0 ? Master() : Mod(i);
                const auto plugin = NimbravaTest::WritePlugin(description);
                Paths.push_back(Folder / description.FileName);
                NimbravaTest::WriteFile(Paths.back(), plugin.Bytes);
                Bytes += plugin.Bytes.size();
                if (i == 0)
                    MasterBytes = plugin.Bytes.size();
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
        std::vector<char> buffer(1 << 20);
        for (auto _ : state)
        {
            std::uint64_t total = 0;
            for (const auto& path : files.Paths)
            {
                std::FILE* file = std::fopen(path.string().c_str(), "rb");
                for (std::size_t got; file != nullptr && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
                    total += got;
                if (file != nullptr)
                    std::fclose(file);
            }
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
        std::vector<char> buffer(1 << 20);
        for (auto _ : state)
        {
            std::FILE* file = std::fopen(files.Paths.front().string().c_str(), "rb");
            while (file != nullptr && std::fread(buffer.data(), 1, buffer.size(), file) > 0)
                Bench::DoNotOptimize(buffer);
            if (file != nullptr)
                std::fclose(file);
        }
        state.SetItemsProcessed(state.iterations());
        state.SetLabel(Megabytes(files.MasterBytes));
    }
    NIMBRAVA_BENCHMARK(BM_Master_ReadEveryByte);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
