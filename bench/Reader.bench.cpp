// The game-data reader on the hostile and large game folders that it once took gigabytes or minutes
// over, at the sizes those were found at, side by side in one run:
//
//  - nimbrava-check runs, `--worldspaces` (and for the worldspaces no section lists, the configuration
//    check) of this build and of each build that NIMBRAVA_BEFORE names ("LABEL=PATH;LABEL=PATH", the
//    nimbrava-check of another commit): wall time (with /usr/bin/time's own millisecond), and peak
//    memory as the run's maximum resident set, which /usr/bin/time reports, in the counter peak_MB;
//    exit the checker's exit code;
//  - in process, the reader of this build beside its peer, reading every byte of the same file: the
//    ratios it is held to (a plugin of records that each inflate to 16 MiB, one group of 1 GB of
//    zeros), with the file in the cache (/0) and read from the disk (/1, its pages dropped from the
//    cache before each run).
//
// The folders, about 2 GB (the 1 GB file sparse), are written into the temporary folder first (not
// timed) and removed when the program ends:
//
//   long-names       210,000 compressed records of 64 bytes, each a 1 KiB editor ID and name (13 MB)
//   empty-records    1,000,000 empty worldspace records (24 MB)
//   worldspaces-N    N empty worldspace records (80,000: 1.9 MB) beside a _nimbrava.ini that lists
//                    Tamriel: the configuration check lists all the others
//   climates-N       the same, each worldspace with a climate of one weather: the configuration
//                    check tells the list in force of each, and what it leaves out
//   inflating        200 records that each inflate to 16 MiB: an editor ID, an OFST behind its XXXX
//                    (3.3 MB)
//   string-tables    eight localized plugins, each with a string table of 64 MiB
//   sparse           a TES4, then one WRLD group of 1 GB of zeros
//
//   build/native/bin/ReaderBench
//   NIMBRAVA_BEFORE="before=../before/build/native/bin/nimbrava-check" build/native/bin/ReaderBench

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fmt/format.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include "DataFiles.h"
#include "Files.h"
#include "GameData/PluginFile.h"
#include "GameDescription.h"
#include "Harness.h"

namespace
{
    namespace fs = std::filesystem;
    using Rows = std::vector<std::vector<std::string>>;

    const fs::path Root = fs::temp_directory_path() / "nimbrava-bench-reader";

    std::string Le32(std::uint32_t value)
    {
        return {reinterpret_cast<const char*>(&value), sizeof value};
    }

    // A game folder: the base game's masters, `rows` (plugins and their files), and a Plugins.txt that
    // makes `active` active.
    void WriteGame(const std::string& name, Rows rows, const std::vector<std::string>& active)
    {
        for (const char* master : {"Skyrim.esm", "Update.esm", "Dawnguard.esm", "HearthFires.esm", "Dragonborn.esm"})
            rows.push_back({"plugin", master, "flags=0x81", "version=1.70"});
        for (const auto& plugin : active)
            rows.push_back({"text", "Plugins.txt", "*" + plugin});
        rows.push_back({"text", "enbseries/_weatherlist.ini", "[WEATHER001]"});
        rows.push_back({"text", "enbseries/_nimbrava.ini", "[WEATHERLIST01]"});
        rows.push_back({"text", "enbseries/_nimbrava.ini", "WorldspaceIDs=3C"});
        rows.push_back({"text", "enbseries/_nimbrava.ini", "FileName=_weatherlist.ini"});
        NimbravaTest::WriteGameFolder(NimbravaTest::WriteGame(rows), Root / name);
    }

    // A plugin of `count` worldspace records, each with `fields`.
    Rows Plugin(const std::string& name, std::uint32_t count, std::vector<std::string> fields, bool localized = false)
    {
        std::vector<std::string> world = {"wrld", "01000000"};
        world.insert(world.end(), fields.begin(), fields.end());
        world.push_back(fmt::format("repeat={}", count));
        return {{"plugin", name, localized ? "flags=0x80" : "flags=0", "version=1.70", "master=Skyrim.esm"},
                {"group", "WRLD"},
                world};
    }

    // A .STRINGS table of `count` strings of about `size` bytes, IDs from 1 on.
    void WriteStringTable(const fs::path& path, std::uint32_t count, std::size_t size)
    {
        std::string directory, data;
        directory.reserve(count * 8);
        data.reserve(count * (size + 1));
        for (std::uint32_t id = 1; id <= count; ++id)
        {
            directory += Le32(id) + Le32(static_cast<std::uint32_t>(data.size()));
            data += fmt::format("{:0>{}}", id, size);
            data += '\0';
        }
        fs::create_directories(path.parent_path());
        NimbravaTest::WriteFile(path, Le32(count) + Le32(static_cast<std::uint32_t>(data.size())) + directory + data);
    }

    struct Folders
    {
        Folders()
        {
            fs::remove_all(Root);
            WriteGame("long-names", Plugin("Long.esp", 210'000, {"EDID*=1024", "FULL*=1024", "compressed"}),
                      {"Long.esp"});
            WriteGame("empty-records", Plugin("Empty.esp", 1'000'000, {}), {"Empty.esp"});
            for (const std::uint32_t count : {20'000u, 40'000u, 80'000u})
            {
                WriteGame(fmt::format("worldspaces-{}", count), Plugin("Many.esp", count, {}), {"Many.esp"});
                Rows climates = Plugin("Many.esp", count, {"CNAM=0x1100001"});
                climates.push_back({"group", "WTHR"});
                climates.push_back({"wthr", "01100002", "EDID=Weather", "DATA=0x01"});
                climates.push_back({"group", "CLMT"});
                climates.push_back({"clmt", "01100001", "EDID=Climate", "WLST=0x1100002:100"});
                WriteGame(fmt::format("climates-{}", count), climates, {"Many.esp"});
            }
            WriteGame("inflating", Plugin("Stream.esp", 200, {"EDID=Stream", "OFST=16777180", "compressed"}),
                      {"Stream.esp"});
            Rows localized;
            std::vector<std::string> active;
            for (int i = 1; i <= 8; ++i)
            {
                const std::string name = fmt::format("Localized{}.esp", i);
                for (auto& row : Plugin(name, 3, {"EDID=Localized", "FULLID=2"}, true))
                    localized.push_back(std::move(row));
                active.push_back(name);
            }
            WriteGame("string-tables", localized, active);
            for (int i = 1; i <= 8; ++i)
                WriteStringTable(Root / "string-tables" / "Data" / "Strings" /
                                     fmt::format("Localized{}_English.STRINGS", i),
                                 600'000, 104);
            // A TES4, then one WRLD group whose rest is a hole of zeros: empty records of no type.
            WriteGame("sparse", {{"plugin", "Sparse.esp", "flags=0", "version=1.70"}}, {"Sparse.esp"});
            const fs::path sparse = Root / "sparse" / "Data" / "Sparse.esp";
            std::string bytes = NimbravaTest::ReadFile(sparse);
            constexpr std::uint64_t Gigabyte = std::uint64_t{1} << 30;
            const std::uint64_t zeros = (Gigabyte - bytes.size() - 24) / 24 * 24;
            bytes += "GRUP" + Le32(static_cast<std::uint32_t>(zeros + 24)) + "WRLD" + Le32(0) + Le32(0) + Le32(0);
            NimbravaTest::WriteFile(sparse, bytes);
            fs::resize_file(sparse, bytes.size() + zeros);
            Sparse = sparse;
            Stream = Root / "inflating" / "Data" / "Stream.esp";
            // Every file read once, so that every run finds them in the cache as the later ones would.
            std::vector<char> buffer;
            for (const auto& entry : fs::recursive_directory_iterator(Root))
                if (entry.is_regular_file())
                    (void)Bench::ReadEveryByte(entry.path(), buffer);
        }
        ~Folders()
        {
            std::error_code ignored;
            fs::remove_all(Root, ignored);
        }
        Folders(const Folders&) = delete;
        Folders& operator=(const Folders&) = delete;

        fs::path Sparse, Stream;
    };

    const Folders& Files()
    {
        static const Folders folders;
        return folders;
    }

    struct Run
    {
        double Seconds = 0;
        long PeakKilobytes = 0;
        int Exit = -1;
    };

    // `program` with `arguments`, its output thrown away: how long it took, and its peak memory as
    // /usr/bin/time -v tells it (a child forked from this process would count this one's pages: time's
    // child starts from time's few).
    Run RunProgram(const std::string& program, const std::vector<std::string>& arguments)
    {
        const std::string peak = (Root / "peak.txt").string();
        std::vector<std::string> words = {"/usr/bin/time", "-f", "%M", "-o", peak, program};
        words.insert(words.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (auto& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0)
        {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(null, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        int status = 0;
        waitpid(child, &status, 0);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        // "Command exited with non-zero status N" may stand before the number.
        const std::string told = NimbravaTest::ReadFile(peak);
        const std::size_t line = told.find_last_of('\n', told.size() >= 2 ? told.size() - 2 : 0);
        const long kilobytes = std::atol(told.c_str() + (line == std::string::npos ? 0 : line + 1));
        return {took.count(), kilobytes, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
    }

    // The checkers to run: this build's, then those NIMBRAVA_BEFORE names.
    std::vector<std::pair<std::string, std::string>> Checkers()
    {
        std::vector<std::pair<std::string, std::string>> checkers = {{"this", NIMBRAVA_CHECK_PROGRAM}};
        const char* before = std::getenv("NIMBRAVA_BEFORE");
        std::string list = before != nullptr ? before : "";
        for (std::size_t at = 0; at < list.size();)
        {
            const std::size_t end = std::min(list.find(';', at), list.size());
            const std::string entry = list.substr(at, end - at);
            if (const std::size_t equals = entry.find('='); equals != std::string::npos)
                checkers.emplace_back(entry.substr(0, equals), entry.substr(equals + 1));
            at = end + 1;
        }
        return checkers;
    }

    // One checker run of a folder, timed by hand.
    void RegisterRun(const std::string& label, const std::string& program, const std::string& name,
                     const std::vector<std::string>& arguments)
    {
        benchmark::RegisterBenchmark(fmt::format("Checker/{}/{}", name, label).c_str(),
                                     [program, arguments](benchmark::State& state) {
                                         (void)Files();
                                         Run run;
                                         for (auto _ : state)
                                         {
                                             run = RunProgram(program, arguments);
                                             state.SetIterationTime(run.Seconds);
                                         }
                                         state.counters["peak_MB"] = static_cast<double>(run.PeakKilobytes) / 1024;
                                         state.counters["exit"] = run.Exit;
                                     })
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(label == "this" ? 3 : 1);
    }

    void RegisterRuns()
    {
        for (const auto& [label, program] : Checkers())
        {
            const auto folder = [](const std::string& name) { return (Root / name).string(); };
            const auto plugins = [](const std::string& name) { return (Root / name / "Plugins.txt").string(); };
            for (const char* name : {"long-names", "empty-records", "inflating", "string-tables", "sparse"})
                RegisterRun(label, program, fmt::format("{}/worldspaces", name),
                            {"--worldspaces", folder(name), "--plugins-txt", plugins(name)});
            for (const char* name : {"worldspaces-20000", "worldspaces-40000", "worldspaces-80000"})
            {
                RegisterRun(label, program, fmt::format("{}/worldspaces", name),
                            {"--worldspaces", folder(name), "--plugins-txt", plugins(name)});
                RegisterRun(label, program, fmt::format("{}/configuration", name),
                            {folder(name) + "/enbseries", "--plugins-txt", plugins(name)});
            }
            for (const char* name : {"climates-20000", "climates-40000", "climates-80000"})
                RegisterRun(label, program, fmt::format("{}/configuration", name),
                            {folder(name) + "/enbseries", "--plugins-txt", plugins(name)});
        }
    }

    // Drops the file's pages from the cache (clean pages need no privilege), so that it is read from
    // the disk.
    void Evict(const fs::path& path)
    {
        const int file = open(path.c_str(), O_RDONLY);
        posix_fadvise(file, 0, 0, POSIX_FADV_DONTNEED);
        close(file);
    }

    // The reader in process beside its peer, on the inflating and the sparse plugin: from the cache (argument
    // 0), and from the disk (1).
    void ReadPluginFile(Bench::State& state, const fs::path& path)
    {
        for (auto _ : state)
        {
            if (state.range(0) == 1)
            {
                state.PauseTiming();
                Evict(path);
                state.ResumeTiming();
            }
            Bench::DoNotOptimize(GameData::ReadPluginFile(path));
        }
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
    }

    void ReadEveryByte(Bench::State& state, const fs::path& path)
    {
        std::vector<char> buffer;
        for (auto _ : state)
        {
            if (state.range(0) == 1)
            {
                state.PauseTiming();
                Evict(path);
                state.ResumeTiming();
            }
            Bench::DoNotOptimize(Bench::ReadEveryByte(path, buffer));
        }
        state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
    }

    void BM_Inflating_ReadPluginFile(Bench::State& state)
    {
        ReadPluginFile(state, Files().Stream);
    }
    NIMBRAVA_BENCHMARK(BM_Inflating_ReadPluginFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

    void BM_Inflating_ReadEveryByte(Bench::State& state)
    {
        ReadEveryByte(state, Files().Stream);
    }
    NIMBRAVA_BENCHMARK(BM_Inflating_ReadEveryByte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

    void BM_Sparse_ReadPluginFile(Bench::State& state)
    {
        ReadPluginFile(state, Files().Sparse);
    }
    NIMBRAVA_BENCHMARK(BM_Sparse_ReadPluginFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

    void BM_Sparse_ReadEveryByte(Bench::State& state)
    {
        ReadEveryByte(state, Files().Sparse);
    }
    NIMBRAVA_BENCHMARK(BM_Sparse_ReadEveryByte)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);
} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RegisterRuns();
    (void)Files();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
