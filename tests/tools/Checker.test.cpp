// nimbrava-check against data: runs of the program with their exit codes and output
// (tests/data/checker/runs.tsv; configurations beside the reports they must give, and d3d11.dll
// files that are usable, refused, foreign, damaged or cut short), the plugin's own decision table,
// Windows file names, and the import slots of Wine's system DLLs as objdump reads them.

#include <cstdlib>
#include <fstream>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <optional>
#include <random>
#include <sys/stat.h>
#include <sys/wait.h>
#include "../plugin/SelectionCases.h"
#include "GameDescription.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "checks/ModuleImage.h"
#include "checks/WindowsPath.h"
#include "text/Printable.h"

namespace
{
    namespace fs = std::filesystem;
    using testing::HasSubstr;
    const fs::path Data = NIMBRAVA_CHECK_DATA;

    std::string Quote(std::string text)
    {
        for (std::size_t at = 0; (at = text.find('\'', at)) != std::string::npos; at += 4)
            text.replace(at, 1, "'\\''");
        return "'" + text + "'";
    }

    // Runs the program with `arguments` (already quoted for the shell): its exit code (-1 when it did
    // not exit: a crash fails the test), and its stdout and stderr.
    std::pair<int, std::string> RunChecker(const std::string& arguments, const std::string& environment = "")
    {
        const NimbravaTest::TempDirectory output;
        // A run that waits for ever (on a FIFO, say) ends after a minute, and fails.
        const std::string command = environment + " timeout 60 " + Quote(NIMBRAVA_CHECK_PROGRAM) + " " + arguments +
                                    " >" + Quote((output / "out").string()) + " 2>&1";
        const int status = std::system(command.c_str());
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, NimbravaTest::ReadFile(output / "out")};
    }
} // namespace

TEST(NimbravaCheck, RunsOfTheTable)
{
    const NimbravaTest::TempDirectory scratch;
    std::mt19937 random(11);
    std::string noise(8192, '\0');
    std::ranges::generate(noise, [&random] { return static_cast<char>(random()); });
    scratch.WriteFile("noise.bin", noise);
    const fs::path source = Data.parent_path().parent_path().parent_path();
    const std::map<std::string, std::string> folders = {
        {"{data}", Data.string()},
        {"{source}", source.string()},
        {"{corpus}", (source / "fuzz" / "corpus" / "FuzzModuleImage").string()},
        {"{modules}", NIMBRAVA_CHECK_MODULES},
        {"{wine}", NIMBRAVA_WINE_DLL_DIR},
        {"{scratch}", scratch.Path().string()},
        {"{program}", NIMBRAVA_CHECK_PROGRAM}};
    const auto expand = [&folders](std::string text) {
        for (const auto& [name, folder] : folders)
            for (std::size_t at; (at = text.find(name)) != std::string::npos;)
                text.replace(at, name.size(), folder);
        return text;
    };

    for (const auto& row : NimbravaTest::ReadTable(Data / "runs.tsv"))
    {
        if (row[0] == "game") // a synthetic game folder, written from its description
        {
            NimbravaTest::WriteGameFolder(NimbravaTest::WriteGame(fs::path(expand(row.at(2)))), scratch / row[1]);
            continue;
        }
        if (row[0] == "holds") // a file a run wrote
        {
            const std::string written = NimbravaTest::ReadFile(scratch / row.at(1));
            for (std::size_t i = 2; i < row.size(); ++i)
                EXPECT_THAT(written, HasSubstr(expand(row[i]))) << row[1];
            continue;
        }
        if (row[0] == "fifo") // in place of what is there
        {
            fs::remove(scratch / row.at(1));
            ASSERT_EQ(mkfifo((scratch / row[1]).c_str(), 0600), 0) << row[1];
            continue;
        }
        if (row[0] == "file")
        {
            fs::create_directories((scratch / row[1]).parent_path());
            const std::string bytes = NimbravaTest::ReadFile(expand(row.at(2)));
            NimbravaTest::PlaceMap places{{"all", bytes.size()}, {"half", bytes.size() / 2}};
            if (bytes.size() >= 0x40)
                std::memcpy(&places["nt"], bytes.data() + 0x3C, 4);
            const std::uint64_t size = NimbravaTest::Evaluate(row.at(3), places);
            std::string made = bytes.substr(0, size);
            NimbravaTest::Patch(std::as_writable_bytes(std::span(made)), places, row.at(4));
            scratch.WriteFile(row[1], made);
            // Longer than what it is made from: a hole, zeros that take no room on disk.
            if (size > made.size())
                fs::resize_file(scratch / row[1], size);
            continue;
        }
        // A first word "in:FOLDER" runs the checker in that folder.
        std::istringstream words(expand(row.at(1)));
        std::string arguments, in;
        for (std::string word; words >> word;)
            if (arguments.empty() && in.empty() && word.starts_with("in:"))
                in = "cd " + Quote(word.substr(3)) + " &&";
            else
                arguments += " " + Quote(word);
        SCOPED_TRACE(in + arguments);
        // Where the game keeps Plugins.txt must not be this machine's.
        const auto [code, out] = RunChecker(arguments, in + " env -u LOCALAPPDATA -u WINEPREFIX -u HOME");
        EXPECT_EQ(code, std::stoi(row[0])) << out;
        for (std::size_t i = 2; i < row.size(); ++i)
            if (row[i].starts_with('<'))
                EXPECT_EQ(out, expand(NimbravaTest::ReadFile(Data / row[i].substr(1))));
            else
                EXPECT_THAT(out, HasSubstr(expand(row[i])));
    }
}

// Every named import of Wine's system DLLs and of the stand-in modules, as objdump reads their
// files: the search in the file laid out as the loader maps it must find exactly the slot that the
// name table's index gives, and nothing where the rules say so.
TEST(NimbravaCheck, ImportSlotsAreWhereObjdumpPutsThem)
{
    std::ifstream oracle(NIMBRAVA_CHECK_ORACLE);
    std::optional<NimbravaCheck::MappedImage> image;
    std::size_t files = 0, slots = 0;
    for (std::string kind, file, dll, function, rva; oracle >> kind >> file;)
    {
        if (kind == "file" && oracle >> rva)
        {
            std::string bytes(std::stoul(rva), '\0'); // in one read: a hundred megabytes in all
            std::ifstream stream(file, std::ios::binary);
            ASSERT_TRUE(stream.read(bytes.data(), std::ssize(bytes)) && stream.peek() == EOF)
                << file << ": not the file that objdump read";
            image = NimbravaCheck::MapImage(std::as_bytes(std::span(bytes)));
            ++files;
            continue;
        }
        oracle >> dll >> function;
        const auto found = Orvel::Hook::FindIATEntry(image->Data(), image->Size(), dll, function);
        const bool slot = kind == "slot" && oracle >> rva;
        EXPECT_EQ(found ? fmt::format("slot {:x}", reinterpret_cast<std::byte*>(*found) - image->Data())
                  : found.error() == Orvel::Hook::IATSearchErrorCode::SymbolNameNotFound ? "none"
                                                                                         : found.error().message(),
                  slot ? "slot " + rva : "none")
            << file << " " << dll << "!" << function;
        slots += slot ? 1 : 0;
    }
    EXPECT_GE(files, 40u);
    EXPECT_GE(slots, 2000u);
}

TEST(NimbravaCheck, WorldspaceDecisionsAreThoseOfThePluginTable)
{
    const fs::path selection = Data.parent_path() / "selection";
    const NimbravaTest::TempDirectory game;
    NimbravaTest::MakeGameTree(selection / "tree.txt", game.Path());
    // Drive C: of a Wine prefix, for the absolute names of the table.
    fs::create_directories(game / "prefix" / "dosdevices");
    fs::create_directory_symlink(game / "drive_c", game / "prefix" / "dosdevices" / "c:");
    fs::create_directories(game / "drive_c" / "windows");
    NimbravaTest::WriteFile(game / "drive_c" / "windows" / "win.ini", "");
    const fs::path enbseries = game / "enbseries";

    int checked = 0;
    for (const auto& row : NimbravaTest::ReadSelectionCases(selection / "cases.tsv"))
    {
        if (row.CodePage != "any")
            continue; // the bytes of these names mean what the game's code page says: Wine only
        ++checked;
        SCOPED_TRACE(row.Name);
        NimbravaTest::PlaceConfiguration(selection, row.Config, enbseries);

        const auto [code, out] =
            RunChecker(fmt::format("{} --worldspace {:X}", Quote(enbseries.string()), row.Worldspace),
                       "WINEPREFIX=" + Quote((game / "prefix").string()));
        std::vector<std::string> log;
        std::string chosen, file; // "NN] names 'SHOWN'" and the file in force
        std::istringstream lines(out);
        for (std::string line; std::getline(lines, line);)
        {
            const std::size_t names = line.find("] names '"), close = line.find(']');
            if (line.starts_with("  in force: "))
                file = line.substr(12);
            else if (line.starts_with("  [") && close != std::string::npos)
                log.push_back(line.substr(3, 1) + " " + line.substr(line.find_first_not_of(' ', close + 1)));
            else if (line.starts_with("Worldspace ") && names != std::string::npos)
                chosen = line.substr(names - 2, line.rfind("', ") - names + 3);
        }
        // The table holds what the update logs; ENB's callback, which starts it, asks for a reload after it.
        // The checker shows control bytes as \xHH.
        const auto shown = [](std::string text) {
            for (std::size_t at = 0; (at = text.find('\0', at)) != std::string::npos;)
                text.replace(at, 1, "\\x00");
            return text;
        };
        std::vector<std::string> expectedLog;
        std::ranges::transform(row.Log, std::back_inserter(expectedLog), shown);
        if (row.Worldspace != 0)
            expectedLog.push_back("M Reloading ENB config...");
        EXPECT_EQ(log, expectedLog) << out;
        EXPECT_EQ(chosen, row.Section == 0 ? "" : fmt::format("{:02}] names '{}'", row.Section, shown(row.Shown)))
            << out;
        std::string expected = row.InForce;
        std::ranges::replace(expected, '\\', '/');
        // ENB's 0 changes nothing: what is in force stays whatever it was.
        EXPECT_EQ(file.empty(), row.Worldspace == 0) << out;
        if (row.Worldspace == 0)
            continue;
        EXPECT_TRUE(fs::equivalent(file, expected.starts_with("C:/") ? game / "drive_c" / expected.substr(3)
                                                                     : enbseries / expected))
            << file << " is not " << expected;

        const bool unreadable = row.Config.starts_with('(') && row.Worldspace != 0;
        const bool fallback = std::ranges::any_of(row.Log, [](const std::string& l) { return !l.starts_with("M "); });
        // No section takes it, and a line that looks meant for it has a problem: that section never matches.
        const bool missed =
            row.Section == 0 && out.find("Why not:") != std::string::npos && out.find("\n      [") != std::string::npos;
        EXPECT_EQ(code, unreadable ? 2 : fallback || missed ? 1 : 0) << out;
    }
    EXPECT_GE(checked, 15);
}

// Files as players save them (tests/data/checker/players.tsv), read in the game's code page: the same
// rows run under Wine in RunExe.cmake, where Windows gives the code page.
TEST(NimbravaCheck, PlayersFilesInTheirEncodings)
{
    int checked = 0;
    for (const auto& row : NimbravaTest::ReadTable(Data / "players.tsv"))
    {
        std::string arguments = Quote((Data / "players" / "enbseries" / row.at(0)).string());
        if (row.at(1) != "-")
            arguments += " --code-page " + row[1];
        if (row.at(3) != "-")
            arguments += " --worldspace " + row[3];
        SCOPED_TRACE(arguments);
        const auto [code, out] = RunChecker(arguments);
        EXPECT_EQ(code, std::stoi(row.at(2))) << out;
        for (std::size_t i = 4; i < row.size(); ++i)
            EXPECT_THAT(out, HasSubstr(row[i]));
        ++checked;
    }
    EXPECT_GE(checked, 21);
}

// Names as the checker shows them (tests/data/checker/printable.tsv): what would change the terminal
// or hide what a name holds is escaped, and nothing else.
TEST(NimbravaCheck, NamesShownWithWhatHidesEscaped)
{
    int checked = 0;
    for (const auto& row : NimbravaTest::ReadTable(Data / "printable.tsv"))
    {
        EXPECT_EQ(NimbravaCheck::PrintableText(row.at(0)), row.at(1)) << NimbravaTest::Escape(row[0]);
        ++checked;
    }
    EXPECT_GE(checked, 40);
}

TEST(NimbravaCheck, WindowsFileNamesLeadWhereWineTakesThem)
{
    const NimbravaTest::TempDirectory root;
    NimbravaTest::MakeGameTree(Data / "tree.txt", root.Path());
    fs::create_directories(root / "prefix" / "dosdevices");
    fs::create_directory_symlink(root / "drive_d", root / "prefix" / "dosdevices" / "d:");
    NimbravaCheck::CheckContext context;
    context.WinePrefix = root / "prefix";
    std::string windowsRoot = root.Path().string();
    std::ranges::replace(windowsRoot, '/', '\\');
    const fs::path previous = fs::current_path();
    fs::current_path(root / "enbseries");
    for (auto row : NimbravaTest::ReadTable(Data / "paths.tsv"))
    {
        if (const std::size_t at = row[0].find("{root}"); at != std::string::npos)
            row[0].replace(at, 6, windowsRoot);
        const fs::path folder = row.size() > 2 ? fs::path(row[2]) : root / "enbseries";
        EXPECT_EQ(NimbravaCheck::JsonName(NimbravaCheck::ResolveFileName(folder, row[0], context).State), row.at(1))
            << row[0] << " from " << folder;
    }
    fs::current_path(previous);
    EXPECT_EQ(NimbravaCheck::ResolveFileName(root / "enbseries", "d:\\weather.ini", {}).State,
              NimbravaCheck::FileState::NotCheckable);
}
