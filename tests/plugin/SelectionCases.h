#pragma once
// The weather list decision table, tests/data/selection/cases.tsv (its header says what the columns
// mean), as rows, and the folders its cases run in. A malformed row throws, so a broken table fails
// the tests that read it.

#include <cstdint>
#include "DataFiles.h"
#include "Orvel/LogLevel.h"

namespace NimbravaTest
{
    struct SelectionCase
    {
        std::string Name;
        std::string Config; // a file beside the table, or "(missing)" or "(directory)"
        std::uint32_t Worldspace = 0;
        std::string CodePage;       // "any" or the decimal number of an ANSI code page
        int Section = 0;            // 0: none wins
        std::string Shown, InForce; // bytes; UTF-8
        std::vector<std::string> Log;
    };

    // A log line as the tables write it: the letter of its level's tag (M, W, E), a space, the text.
    inline std::string TableLine(Orvel::LogLevel level, std::string_view text)
    {
        const std::string_view tag = Orvel::LevelTag(level);
        return std::string(tag.substr(tag.find('[') + 1, 1)) + " " + std::string(text);
    }

    inline std::vector<SelectionCase> ReadSelectionCases(const std::filesystem::path& table)
    {
        std::vector<SelectionCase> cases;
        for (const auto& c : ReadTable(table))
        {
            cases.push_back({c[0], c[1], static_cast<std::uint32_t>(std::stoul(c[2], nullptr, 16)), c[3],
                             c[4] == "-" ? 0 : std::stoi(c[4]), c[5], c.at(6), std::vector(c.begin() + 7, c.end())});
        }
        return cases;
    }

    // Lays out a tree file (one UTF-8 path a row, a trailing '/' making a directory) in `game`,
    // replacing the enbseries folder an earlier run left there. Every file holds the section that the
    // tests' section reads look for.
    inline void MakeGameTree(const std::filesystem::path& tree, const std::filesystem::path& game)
    {
        std::filesystem::remove_all(game / "enbseries");
        for (const auto& row : ReadTable(tree))
        {
            const std::filesystem::path path = game / std::u8string(row[0].begin(), row[0].end());
            std::filesystem::create_directories(path.parent_path()); // a trailing '/' makes the directory itself
            if (!row[0].ends_with('/'))
                WriteFile(path, "[WEATHER001]\nA=1\nBB=22\nCCC=333\n");
        }
    }

    // Makes `config` (a file of `selection`, "(missing)" or "(directory)") `enbseries`/_nimbrava.ini.
    inline void PlaceConfiguration(const std::filesystem::path& selection, const std::string& config,
                                   const std::filesystem::path& enbseries)
    {
        std::filesystem::remove_all(enbseries / "_nimbrava.ini");
        if (config == "(directory)")
            std::filesystem::create_directory(enbseries / "_nimbrava.ini");
        else if (config != "(missing)")
            std::filesystem::copy_file(selection / config, enbseries / "_nimbrava.ini");
    }
} // namespace NimbravaTest
