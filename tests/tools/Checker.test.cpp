// nimbrava-check against data: configurations full of pitfalls beside the report they must give,
// the plugin's own decision table, Windows file names, and d3d11.dll files that are usable,
// refused, foreign, damaged or cut short. The program itself runs wherever an exit code or its
// output is what a player sees.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fmt/format.h>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include "../plugin/SelectionCases.h"
#include "ConfigCheck.h"
#include "TempDirectory.h"
#include "WindowsPath.h"

namespace
{
    namespace fs = std::filesystem;
    using NimbravaCheck::FileState;
    using testing::HasSubstr;

    const fs::path Data = NIMBRAVA_CHECK_DATA;
    const fs::path Modules = NIMBRAVA_CHECK_MODULES;

    std::string Quote(const std::string& text)
    {
        std::string quoted = "'";
        for (const char c : text)
            quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }

    struct Outcome
    {
        int Exit;
        std::string Out; // stdout and stderr
    };

    // Runs the program with `arguments` (already quoted for the shell). A crash fails the test.
    Outcome RunChecker(const std::string& arguments, const std::string& environment = "")
    {
        const std::string command = environment + " " + Quote(NIMBRAVA_CHECK_PROGRAM) + " " + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        std::string out;
        char buffer[4096];
        for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
            out.append(buffer, read);
        const int status = pclose(pipe);
        EXPECT_TRUE(WIFEXITED(status)) << "did not exit normally: " << command << "\n" << out;
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
    }

    std::vector<std::string> ExpectedLines(const fs::path& file)
    {
        std::ifstream in(file);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            if (!line.empty() && !line.starts_with('#'))
                lines.push_back(line);
        std::ranges::sort(lines);
        return lines;
    }

    std::vector<std::string> ReportLines(const NimbravaCheck::ConfigReport& report)
    {
        std::vector<std::string> lines;
        for (const auto& section : report.Sections)
        {
            std::string ids;
            for (const auto id : section.Ids)
                ids += fmt::format("{}{:X}", ids.empty() ? "" : ",", id);
            lines.push_back(fmt::format("section {:02} {} {} {}", section.Number, section.Line, ids.empty() ? "-" : ids,
                                        NimbravaCheck::JsonName(section.File.State)));
        }
        for (const auto& warning : report.Warnings)
            lines.push_back(fmt::format("warning {} {}", warning.Line, warning.Code));
        std::ranges::sort(lines);
        return lines;
    }

    void WriteBytes(const fs::path& path, const std::string& bytes)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
} // namespace

TEST(NimbravaCheck, ConfigurationsReportEachPitfallAtItsLine)
{
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(Data))
    {
        if (!fs::exists(entry.path() / "expected.txt"))
            continue;
        ++cases;
        SCOPED_TRACE(entry.path().filename().string());
        const fs::path enbseries = entry.path() / "enbseries";
        const auto report = NimbravaCheck::CheckConfiguration(enbseries);
        EXPECT_EQ(ReportLines(report), ExpectedLines(entry.path() / "expected.txt"));

        // What the player reads: each warning with the file and its line, and the exit code.
        const Outcome run = RunChecker(Quote(enbseries.string()));
        EXPECT_EQ(run.Exit, report.Warnings.empty() ? 0 : 1) << run.Out;
        for (const auto& warning : report.Warnings)
        {
            const std::string where =
                warning.Line == 0 ? "_nimbrava.ini: " : fmt::format("_nimbrava.ini:{}: ", warning.Line);
            EXPECT_THAT(run.Out, HasSubstr(where + "[" + warning.Code + "] " + warning.Message));
        }
        const Outcome json = RunChecker("--json " + Quote(enbseries.string()));
        EXPECT_EQ(json.Exit, run.Exit);
        for (const auto& warning : report.Warnings)
            EXPECT_THAT(json.Out,
                        HasSubstr(fmt::format("{{\"line\": {}, \"code\": \"{}\"", warning.Line, warning.Code)));
    }
    EXPECT_EQ(cases, 3);
}

TEST(NimbravaCheck, WorldspaceDecisionsAreThoseOfThePluginTable)
{
    const fs::path selection = fs::path(NIMBRAVA_CHECK_DATA).parent_path() / "selection";
    const NimbravaTest::TempDirectory game;
    std::ifstream tree(selection / "tree.txt");
    for (std::string line; std::getline(tree, line);)
        if (!line.empty() && !line.starts_with('#'))
            line.ends_with('/') ? (void)fs::create_directories(game / line) : WriteBytes(game / line, "");
    // Drive C: of a Wine prefix, for the absolute names of the table.
    fs::create_directories(game / "prefix" / "dosdevices");
    fs::create_directory_symlink(game / "drive_c", game / "prefix" / "dosdevices" / "c:");
    WriteBytes(game / "drive_c" / "windows" / "win.ini", "");
    const std::string environment = "WINEPREFIX=" + Quote((game / "prefix").string());
    const fs::path enbseries = game / "enbseries";

    int checked = 0;
    for (const auto& row : NimbravaTest::ReadSelectionCases(selection / "cases.tsv"))
    {
        if (row.CodePage != "any")
            continue; // the bytes of these names mean what the game's code page says: Wine only
        ++checked;
        SCOPED_TRACE(row.Name);
        fs::remove_all(enbseries / "_nimbrava.ini");
        if (row.Config == "(directory)")
            fs::create_directory(enbseries / "_nimbrava.ini");
        else if (row.HasDocument())
            fs::copy_file(selection / row.Config, enbseries / "_nimbrava.ini");

        const Outcome run =
            RunChecker(fmt::format("{} --worldspace {:X}", Quote(enbseries.string()), row.Worldspace), environment);
        std::vector<std::string> log;
        std::optional<fs::path> file;
        int section = 0;
        std::string shown;
        std::istringstream lines(run.Out);
        for (std::string line; std::getline(lines, line);)
        {
            const std::size_t names = line.find("] names '");
            if (line.starts_with("  in force: "))
                file = line.substr(12);
            else if (line.starts_with("  [") && line.find(']') != std::string::npos)
            {
                const std::size_t close = line.find(']');
                log.push_back(line.substr(3, 1) + " " + line.substr(line.find_first_not_of(' ', close + 1)));
            }
            else if (line.starts_with("Worldspace ") && names != std::string::npos)
            {
                section = std::stoi(line.substr(names - 2, 2));
                shown = line.substr(names + 9, line.rfind("', ") - names - 9);
            }
        }
        EXPECT_EQ(log, row.Log) << run.Out;
        EXPECT_EQ(section, row.Section) << run.Out;
        EXPECT_EQ(shown, row.Shown) << run.Out;
        std::string expected = row.InForce;
        std::ranges::replace(expected, '\\', '/');
        const fs::path expectedFile =
            expected.starts_with("C:/") ? game / "drive_c" / expected.substr(3) : enbseries / expected;
        ASSERT_TRUE(file.has_value()) << run.Out;
        EXPECT_TRUE(fs::equivalent(*file, expectedFile)) << *file << " is not " << expectedFile;

        const bool unreadable = !row.HasDocument() && row.Worldspace != 0;
        const bool fallback = std::ranges::any_of(row.Log, [](const std::string& l) { return !l.starts_with("M "); });
        EXPECT_EQ(run.Exit, unreadable ? 2 : fallback ? 1 : 0) << run.Out;
    }
    EXPECT_GE(checked, 15);
}

TEST(NimbravaCheck, WindowsFileNamesLeadWhereWineTakesThem)
{
    const NimbravaTest::TempDirectory root;
    const fs::path enbseries = root / "enbseries";
    WriteBytes(enbseries / "Lists" / "Tundra.ini", "");
    WriteBytes(root / "outside.ini", "");
    WriteBytes(root / "drive_d" / "Weather.ini", "");
    fs::create_directories(root / "prefix" / "dosdevices");
    fs::create_directory_symlink(root / "drive_d", root / "prefix" / "dosdevices" / "d:");
    ASSERT_EQ(setenv("WINEPREFIX", (root / "prefix").c_str(), 1), 0);
    std::string windowsRoot = root.Path().string();
    std::ranges::replace(windowsRoot, '/', '\\');

    const struct
    {
        std::string Name;
        FileState State;
    } cases[] = {
        {"lists\\tundra.ini", FileState::RegularFile},      // names match ignoring case
        {"LISTS/TUNDRA.INI", FileState::RegularFile},       // either separator
        {"lists\\\\tundra.ini. .", FileState::RegularFile}, // empty parts, trailing dots and spaces
        {"..\\outside.ini", FileState::RegularFile},
        {"lists\\..\\..\\outside.ini", FileState::RegularFile},
        {"Z:" + windowsRoot + "\\OUTSIDE.ini", FileState::RegularFile},
        {windowsRoot + "\\outside.ini", FileState::RegularFile}, // the root of the drive Wine sees
        {"d:\\weather.ini", FileState::RegularFile},
        {"D:\\nothing.ini", FileState::Missing},
        {"nothing.ini", FileState::Missing},
        {"lists\\nothing\\tundra.ini", FileState::Missing},
        {"lists", FileState::Directory},
        {"", FileState::Directory},
        {"lists\\Nul.ini", FileState::OtherFile}, // a device, in every folder
        {"com10", FileState::Missing},
        {"a<b.ini", FileState::InvalidName},
        {"lists\\tundra.ini:stream", FileState::InvalidName},
        {"E:\\weather.ini", FileState::NotCheckable},
        {"C:weather.ini", FileState::NotCheckable},
        {"\\\\server\\share\\weather.ini", FileState::NotCheckable},
        {"lists\\\xEF\xEE\xE3\xEE\xE4\xE0.ini", FileState::NotCheckable},
    };
    for (const auto& row : cases)
        EXPECT_EQ(NimbravaCheck::ResolveFileName(enbseries, row.Name).State, row.State) << row.Name;
    // The folder given as "enbseries/" or "." leads to the same places: ".." leaves the folder.
    EXPECT_EQ(NimbravaCheck::ResolveFileName(enbseries / "", "..\\outside.ini").State, FileState::RegularFile);
    const fs::path previous = fs::current_path();
    fs::current_path(enbseries);
    EXPECT_EQ(NimbravaCheck::ResolveFileName(".", "..\\outside.ini").State, FileState::RegularFile);
    EXPECT_EQ(NimbravaCheck::ResolveFileName(".", "lists\\tundra.ini").State, FileState::RegularFile);
    fs::current_path(previous);
    unsetenv("WINEPREFIX");
    EXPECT_EQ(NimbravaCheck::ResolveFileName(enbseries, "d:\\weather.ini").State, FileState::NotCheckable);
}

TEST(NimbravaCheck, ModulesAreAcceptedRefusedWithTheReasonOrUnreadable)
{
    const fs::path wine = NIMBRAVA_WINE_DLL_DIR;
    const NimbravaTest::TempDirectory scratch;
    const fs::path good = Modules / "enb-like.dll";
    const std::string bytes = NimbravaTest::ReadFile(good);
    ASSERT_GT(bytes.size(), 1024u);

    struct Case
    {
        fs::path File;
        int Exit;
        std::vector<std::string> Says;
    };
    std::vector<Case> cases = {
        {good, 0, {"the plugin can work with this module"}},
        {Modules / "enb-like-no-imports.dll",
         1,
         {"does not import CreateFileA by name from kernel32 (it imports nothing from kernel32)",
          "does not import GetPrivateProfileSectionA by name from kernel32 (it imports nothing from kernel32)"}},
        {wine / "d3d11.dll", 1, {"does not export ENBGetSDKVersion", "does not export DirtyHack"}},
        {wine / "crypt32.dll",
         1,
         {"does not import GetPrivateProfileSectionA by name from kernel32 (its first kernel32 import descriptor "
          "does not name it)"}},
        {wine / "kernel32.dll", 1, {"does not import CreateFileA by name from kernel32 (it imports nothing"}},
        {scratch / "nothing.dll", 2, {"does not exist"}},
        {scratch.Path(), 2, {"is a directory"}},
        {Data / "clean" / "expected.txt", 2, {"not a Windows module: no \"MZ\" signature"}},
    };
    // Random bytes, with and without a DOS header in front, and the good module cut short anywhere.
    std::mt19937 random(11);
    std::string noise(8192, '\0');
    for (auto& c : noise)
        c = static_cast<char>(random());
    WriteBytes(scratch / "noise.dll", noise);
    cases.push_back({scratch / "noise.dll", 2, {"not a Windows module"}});
    WriteBytes(scratch / "mz-noise.dll", "MZ" + noise);
    cases.push_back({scratch / "mz-noise.dll", 2, {"mz-noise.dll: "}});
    for (const std::size_t size :
         {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{0x3C}, std::size_t{0x40}, std::size_t{0x84},
          std::size_t{0x100}, std::size_t{0x3FF}, bytes.size() / 2, bytes.size() - 1})
    {
        const fs::path cut = scratch / fmt::format("cut-{}.dll", size);
        WriteBytes(cut, bytes.substr(0, size));
        cases.push_back({cut, 2, {size < 2 ? "no \"MZ\" signature" : "truncated: the file ends at"}});
    }

    // Where objdump, an independent reader, puts the import slots of kernel32's functions.
    std::map<std::pair<std::string, std::string>, std::pair<std::string, unsigned long>> slots;
    std::ifstream oracle(NIMBRAVA_CHECK_ORACLE);
    for (std::string kind, file, dll, function, rva; oracle >> kind;)
        if (kind == "slot" && oracle >> file >> dll >> function >> rva)
        {
            std::string folded = dll;
            std::ranges::transform(folded, folded.begin(), [](unsigned char c) { return std::tolower(c); });
            if (folded == "kernel32.dll" || folded == "kernel32")
                slots.try_emplace({file, function}, dll, std::stoul(rva, nullptr, 16));
        }
        else
            oracle.ignore(1 << 16, '\n');
    ASSERT_EQ(slots.count({"enb-like.dll", "CreateFileA"}), 1u);

    for (const auto& row : cases)
    {
        SCOPED_TRACE(row.File.string());
        const Outcome text = RunChecker("--module " + Quote(row.File.string()));
        EXPECT_EQ(text.Exit, row.Exit) << text.Out;
        for (const auto& phrase : row.Says)
            EXPECT_THAT(text.Out, HasSubstr(phrase));
        const Outcome json = RunChecker("--json --module " + Quote(row.File.string()));
        EXPECT_EQ(json.Exit, row.Exit);
        if (row.Exit == 2)
        {
            EXPECT_THAT(json.Out, HasSubstr("\"error\": "));
            continue;
        }
        for (const std::string function : {"CreateFileA", "GetPrivateProfileSectionA"})
        {
            const auto slot = slots.find({row.File.filename().string(), function});
            EXPECT_THAT(json.Out, HasSubstr(slot == slots.end()
                                                ? fmt::format("\"{}\": null", function)
                                                : fmt::format("\"{}\": {{\"dll\": \"{}\", \"slot_rva\": {}}}", function,
                                                              slot->second.first, slot->second.second)));
        }
    }
}

TEST(NimbravaCheck, UsageAndExitCodes)
{
    const std::string clean = Quote((Data / "clean" / "enbseries").string());
    const struct
    {
        std::string Arguments;
        int Exit;
        std::string Says;
    } cases[] = {
        {"--help", 0, "Exit codes: 0 all good, 1 problems found, 2 bad usage or unreadable input"},
        // The example configuration that the release ships.
        {Quote((Data / ".." / ".." / ".." / "examples" / "enbseries").string()), 0, "No problems found."},
        {"", 2, "no enbseries directory given"},
        {"--verbose " + clean, 2, "unknown option --verbose"},
        {clean + " " + clean, 2, "one enbseries directory at a time"},
        {clean + " --worldspace", 2, "--worldspace takes one or more IDs"},
        {clean + " --worldspace 3C 1G", 2, "not a worldspace ID (hexadecimal, at most FFFFFFFF): 1G"},
        {clean + " --worldspace 100000000", 2, "not a worldspace ID"},
        {"--module", 2, "--module takes one path"},
        {"--module x.dll " + clean, 2, "--module stands alone"},
        {Quote((Data / "nowhere").string()), 2, "is not a directory"},
        {Quote((Data / "clean").string()), 2, "(this is the game folder: give its enbseries folder)"},
        {clean + " --worldspace 0x3C 0", 0, "Switching to weatherlist 'weather\\tamriel.ini'"},
        {"--json " + clean + " --worldspace 1A", 0,
         R"("section": "WEATHERLIST01", "shown_name": "weather\\tamriel.ini", "file": "regular_file")"},
    };
    for (const auto& row : cases)
    {
        const Outcome run = RunChecker(row.Arguments);
        EXPECT_EQ(run.Exit, row.Exit) << row.Arguments << "\n" << run.Out;
        EXPECT_THAT(run.Out, HasSubstr(row.Says)) << row.Arguments;
    }
}
