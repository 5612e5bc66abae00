#pragma once
// A second INI reader for the FuzzIni target, written from the reader's rules and nothing else, with
// other means than the library's: the text split at LF by hand instead of std::getline, the C
// library's isspace and isxdigit instead of the library's own byte tests, and the value rules as an
// explicit state machine. Slow and plain; the library must build the same document on every text.

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>
#include "Orvel/Ini.h"

namespace ReferenceIni
{
    inline bool Space(char c)
    {
        return std::isspace(static_cast<unsigned char>(c)) != 0;
    }

    inline std::string_view Trim(std::string_view text)
    {
        while (!text.empty() && Space(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && Space(text.back()))
            text.remove_suffix(1);
        return text;
    }

    inline std::string Value(std::string_view raw)
    {
        enum class State
        {
            Outside,
            Inside,
        };
        State state = State::Outside;
        bool quoteSeen = false;
        bool comment = false;
        std::string out;
        std::size_t i = 0;
        while (i < raw.size())
        {
            const char c = raw[i];
            if (state == State::Outside)
            {
                if (c == ';')
                {
                    comment = true;
                    break;
                }
                if (c == '"')
                {
                    state = State::Inside;
                    quoteSeen = true;
                }
                else
                {
                    out += c;
                }
                ++i;
                continue;
            }
            if (c == '"')
            {
                state = State::Outside;
                ++i;
                continue;
            }
            if (c != '\\')
            {
                out += c;
                ++i;
                continue;
            }
            if (i + 1 == raw.size())
                break; // a backslash as the last byte ends the scan, inside the quotes
            const char letter = raw[i + 1];
            constexpr std::string_view letters = "abfnrtv";
            constexpr char codes[] = {7, 8, 12, 10, 13, 9, 11};
            const auto known = letters.find(letter);
            if (known != std::string_view::npos)
            {
                out += codes[known];
                i += 2;
            }
            else if (letter == 'x')
            {
                std::size_t j = i + 2;
                std::uint64_t value = 0;
                while (j < raw.size() && std::isxdigit(static_cast<unsigned char>(raw[j])) != 0)
                {
                    const int digit = std::isdigit(static_cast<unsigned char>(raw[j])) != 0
                                          ? raw[j] - '0'
                                          : std::tolower(static_cast<unsigned char>(raw[j])) - 'a' + 10;
                    value = std::min<std::uint64_t>(value * 16 + static_cast<std::uint64_t>(digit), 1000);
                    ++j;
                }
                if (j == i + 2)
                {
                    out += '?';
                    i += 2; // on with the byte after the 'x'
                }
                else
                {
                    out += value <= 255 ? static_cast<char>(value) : '?';
                    i = j;
                }
            }
            else if (letter >= '0' && letter <= '7')
            {
                std::size_t j = i + 1;
                std::uint64_t value = 0;
                while (j < raw.size() && raw[j] >= '0' && raw[j] <= '7')
                {
                    value = std::min<std::uint64_t>(value * 8 + static_cast<std::uint64_t>(raw[j] - '0'), 1000);
                    ++j;
                }
                if (value <= 255)
                {
                    out += static_cast<char>(value);
                    i = j;
                }
                else
                {
                    out += letter; // the first digit as an ordinary byte; the others follow as such
                    i += 2;
                }
            }
            else
            {
                out += letter;
                i += 2;
            }
        }
        if (comment)
            while (!out.empty() && Space(out.back()))
                out.pop_back();
        if (quoteSeen)
            out = "\"" + out + "\"";
        if (state == State::Inside)
            out.clear();
        return out;
    }

    inline std::vector<Orvel::IniInterface::Section> Read(std::string_view text)
    {
        std::vector<Orvel::IniInterface::Section> sections(1);
        // Ordered trees for the first-wins rules, so that inputs of thousands of lines stay quick.
        std::map<std::string, std::size_t> sectionAt{{std::string(), 0}};
        std::vector<std::set<std::string>> keys(1);
        std::size_t current = 0;
        std::size_t start = 0;
        while (start < text.size())
        {
            std::size_t stop = text.find('\n', start);
            if (stop == std::string_view::npos)
                stop = text.size();
            const std::string_view line = Trim(text.substr(start, stop - start));
            start = stop + 1;

            if (line.empty() || line[0] == ';')
                continue;
            if (line[0] == '[')
            {
                std::optional<std::string> name;
                if (line.size() >= 2 && line.back() == ']')
                    name = std::string(line.substr(1, line.size() - 2));
                else if (const auto close = line.find(']', 1); close != std::string_view::npos)
                    name = std::string(line.substr(1, close - 1));
                if (!name)
                    continue;
                const auto [at, added] = sectionAt.emplace(*name, sections.size());
                current = at->second;
                if (added)
                {
                    sections.push_back({*name, {}});
                    keys.emplace_back();
                }
            }
            const auto equals = line.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string key(Trim(line.substr(0, equals)));
            if (keys[current].insert(key).second)
                sections[current].Entries.push_back({key, Value(Trim(line.substr(equals + 1)))});
        }
        return sections;
    }
} // namespace ReferenceIni
