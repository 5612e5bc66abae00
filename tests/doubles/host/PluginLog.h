#pragma once
// Reading the plugin's log, Nimbrava.log, as the play-through checks it.

#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace NimbravaTest
{
    // The lines that open the log, shown as "(banner)".
    inline const std::array<std::string, 3> Banner = {"Logging stream for \"Nimbrava\" successfully initialized",
                                                      "Date and time format: YYYY/MM/DD - HH:MM:SS",
                                                      std::string(120, '-')};

    // The lines of a log file from byte `offset` on, each without its CR and its timestamp (the
    // banner's lines have none); `offset` moves to the end.
    inline std::vector<std::string> ReadLogLines(const std::filesystem::path& file, std::streamoff& offset)
    {
        // A timestamp, then the space that starts the level tag.
        constexpr std::size_t Stamped = std::string_view("YYYY/MM/DD - HH:MM:SS ").size();
        std::ifstream in(file, std::ios::binary);
        in.seekg(offset);
        std::ostringstream rest;
        rest << in.rdbuf();
        offset += static_cast<std::streamoff>(rest.str().size());
        std::istringstream text(rest.str());
        std::vector<std::string> lines;
        for (std::string line; std::getline(text, line);)
        {
            if (line.ends_with('\r'))
                line.pop_back();
            const bool stamped = line.size() >= Stamped && line[0] >= '0' && line[0] <= '9' && line[Stamped - 1] == ' ';
            lines.push_back(stamped ? line.substr(Stamped) : line);
        }
        return lines;
    }
} // namespace NimbravaTest
