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

    // Each log line after the banner opens with its timestamp, then the space that starts its level tag.
    inline constexpr std::size_t TimestampLength = std::string_view("YYYY/MM/DD - HH:MM:SS").size();

    // A log line without its timestamp; a line without one (the banner) as it is.
    inline std::string WithoutTimestamp(const std::string& line)
    {
        if (line.size() <= TimestampLength || line[TimestampLength] != ' ')
            return line;
        return line.substr(TimestampLength + 1);
    }

    // The lines of a log file from byte `offset` on, each without its CR; `offset` moves to the end.
    inline std::vector<std::string> ReadLogLines(const std::filesystem::path& file, std::streamoff& offset)
    {
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
            lines.push_back(line);
        }
        return lines;
    }
} // namespace NimbravaTest
