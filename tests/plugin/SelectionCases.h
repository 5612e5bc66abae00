#pragma once
// The weather list decision table, tests/data/selection/cases.tsv (its header says what the columns
// mean), as rows. A malformed row throws, so a broken table fails the tests that read it.

#include <cstdint>
#include <stdexcept>
#include "DataFiles.h"

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

        [[nodiscard]] bool HasDocument() const { return !Config.starts_with('('); }
    };

    inline std::vector<SelectionCase> ReadSelectionCases(const std::filesystem::path& table)
    {
        std::vector<SelectionCase> cases;
        for (const auto& c : ReadTable(table))
        {
            if (c.size() < 8)
                throw std::runtime_error("fewer than 8 columns in case " + c[0]);
            cases.push_back({c[0], c[1], static_cast<std::uint32_t>(std::stoul(c[2], nullptr, 16)), c[3],
                             c[4] == "-" ? 0 : std::stoi(c[4]), c[5], c[6], std::vector(c.begin() + 7, c.end())});
        }
        return cases;
    }
} // namespace NimbravaTest
