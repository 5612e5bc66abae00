#include "DataFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <stdexcept>
#include "TempDirectory.h"

namespace NimbravaTest
{
    std::string Escape(std::string_view bytes)
    {
        std::string out;
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            if (c == '\\')
                out += "\\\\";
            else if (byte >= 0x20 && byte < 0x7F)
                out += c;
            else
            {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(byte));
                out += hex;
            }
        }
        return out;
    }

    std::string Unescape(std::string_view text)
    {
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            if (text[i] != '\\')
            {
                out += text[i];
                continue;
            }
            const char kind = i + 1 < text.size() ? text[++i] : '\0';
            if (kind == '\\')
                out += '\\';
            else if (kind == 't')
                out += '\t';
            else if (kind == 'n')
                out += '\n';
            else if (kind == 'r')
                out += '\r';
            else if (kind == 'x' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
                     std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            {
                out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
                i += 2;
            }
            else
                throw std::invalid_argument("bad escape in \"" + std::string(text) + "\"");
        }
        return out;
    }

    std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& path)
    {
        const std::string text = ReadFile(path);
        if (text.empty())
            throw std::runtime_error("no table at " + path.string());
        std::vector<std::vector<std::string>> rows;
        std::size_t start = 0;
        while (start < text.size())
        {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            const std::string_view line(text.data() + start, end - start);
            start = end + 1;
            if (line.empty() || line.front() == '#')
                continue;
            std::vector<std::string> row;
            for (std::size_t from = 0;;)
            {
                const std::size_t tab = line.find('\t', from);
                row.push_back(Unescape(line.substr(from, tab == std::string_view::npos ? tab : tab - from)));
                if (tab == std::string_view::npos)
                    break;
                from = tab + 1;
            }
            rows.push_back(std::move(row));
        }
        return rows;
    }

    std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& directory,
                                                          std::string_view extension)
    {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            if (entry.path().extension() == extension)
                files.push_back(entry.path());
        std::ranges::sort(files);
        return files;
    }
} // namespace NimbravaTest
