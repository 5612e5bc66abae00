#include "DataFiles.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace NimbravaTest
{
    std::string Escape(std::string_view bytes)
    {
        constexpr char digits[] = "0123456789ABCDEF";
        std::string out;
        for (const char c : bytes)
            out += c == '\\'               ? "\\\\"
                   : c >= 0x20 && c < 0x7F ? std::string(1, c)
                                           : std::string{'\\', 'x', digits[(c >> 4) & 15], digits[c & 15]};
        return out;
    }

    std::string Unescape(std::string_view text)
    {
        constexpr std::string_view from = "\\tnr", to = "\\\t\n\r";
        std::string out;
        for (std::size_t i = 0; i < text.size(); ++i)
        {
            const auto hex = [&](std::size_t at) { return at < text.size() && std::isxdigit(text[at] & 0xFF); };
            const std::size_t kind = i + 1 < text.size() ? from.find(text[i + 1]) : std::string_view::npos;
            if (text[i] != '\\')
                out += text[i];
            else if (kind != std::string_view::npos)
            {
                out += to[kind];
                i += 1; // the escape's letter
            }
            else if (i + 1 < text.size() && text[i + 1] == 'x' && hex(i + 2) && hex(i + 3))
            {
                out += static_cast<char>(std::stoi(std::string(text.substr(i + 2, 2)), nullptr, 16));
                i += 3; // the 'x' and its two digits
            }
            else
                throw std::invalid_argument("bad escape in \"" + std::string(text) + "\"");
        }
        return out;
    }

    std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& path)
    {
        std::istringstream text(ReadFile(path));
        if (text.str().empty())
            throw std::runtime_error("no table at " + path.string());
        std::vector<std::vector<std::string>> rows;
        for (std::string line; std::getline(text, line);)
        {
            if (line.empty() || line.front() == '#')
                continue;
            auto& row = rows.emplace_back();
            std::istringstream fields(line + "\t"); // the tab ends the last field, also an empty one
            for (std::string field; std::getline(fields, field, '\t');)
                row.push_back(Unescape(field));
        }
        return rows;
    }
    TempDirectory::TempDirectory()
    {
        // The clock and a count: tests run in several processes at once. A name that another
        // process took already is passed over.
        static std::atomic<unsigned> counter{0};
        do
            m_path = std::filesystem::temp_directory_path() /
                     ("nimbrava-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                      "-" + std::to_string(counter++));
        while (!std::filesystem::create_directory(m_path));
    }

    TempDirectory::~TempDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios_base::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    void WriteFile(const std::filesystem::path& path, std::string_view bytes)
    {
        std::ofstream file(path, std::ios_base::binary | std::ios_base::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
            throw std::runtime_error("could not write the test file " + path.string());
    }
} // namespace NimbravaTest
