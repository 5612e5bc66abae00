#pragma once
// The weather list decision table, tests/data/selection/cases.tsv (its header says what the columns
// mean), as rows. A malformed row throws, so a broken table fails the tests that read it.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace NimbravaTest
{
    struct SelectionCase
    {
        std::string Name;
        std::string Config; // a file beside the table, or "(missing)" or "(directory)"
        std::uint32_t Worldspace = 0;
        std::string CodePage; // "any" or the decimal number of an ANSI code page
        int Section = 0;      // 0: none wins
        std::string Shown;    // bytes
        std::string InForce;  // UTF-8
        std::vector<std::string> Log;

        [[nodiscard]] bool HasDocument() const { return !Config.starts_with('('); }
    };

    // "\xHH" is the byte HH and "\\" one backslash; everything else stands for itself.
    inline std::string UnescapeCaseText(std::string_view text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] != '\\')
                out += text[i];
            else if (i + 1 < text.size() && text[i + 1] == '\\')
                out += text[++i];
            else if (i + 3 < text.size() && text[i + 1] == 'x')
            {
                out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
                i += 3;
            }
            else
                throw std::runtime_error("bad escape in " + std::string(text));
        }
        return out;
    }

    inline std::vector<SelectionCase> ReadSelectionCases(const std::filesystem::path& table)
    {
        std::ifstream in(table, std::ios::binary);
        if (!in)
            throw std::runtime_error("cannot open " + table.string());
        std::vector<SelectionCase> cases;
        for (std::string line; std::getline(in, line);)
        {
            if (line.empty() || line.starts_with('#'))
                continue;
            std::vector<std::string> columns;
            for (std::size_t start = 0;;)
            {
                const auto tab = line.find('\t', start);
                columns.push_back(line.substr(start, tab - start));
                if (tab == std::string::npos)
                    break;
                start = tab + 1;
            }
            if (columns.size() < 8)
                throw std::runtime_error("fewer than 8 columns: " + line);
            SelectionCase row;
            row.Name = columns[0];
            row.Config = columns[1];
            row.Worldspace = static_cast<std::uint32_t>(std::stoul(columns[2], nullptr, 16));
            row.CodePage = columns[3];
            row.Section = columns[4] == "-" ? 0 : std::stoi(columns[4]);
            row.Shown = UnescapeCaseText(columns[5]);
            row.InForce = UnescapeCaseText(columns[6]);
            for (std::size_t i = 7; i < columns.size(); ++i)
                row.Log.push_back(UnescapeCaseText(columns[i]));
            cases.push_back(std::move(row));
        }
        return cases;
    }
} // namespace NimbravaTest
