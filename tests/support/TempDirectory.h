#pragma once
// A fresh directory for one test, removed with everything in it at the end.

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace NimbravaTest
{
    class TempDirectory
    {
    public:
        TempDirectory()
        {
            static std::atomic<unsigned> counter{0};
            const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
            m_path = std::filesystem::temp_directory_path() /
                     ("nimbrava-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
            std::filesystem::create_directories(m_path);
        }
        ~TempDirectory()
        {
            std::error_code ignored;
            std::filesystem::remove_all(m_path, ignored);
        }
        TempDirectory(const TempDirectory&) = delete;
        TempDirectory& operator=(const TempDirectory&) = delete;

        [[nodiscard]] const std::filesystem::path& Path() const noexcept { return m_path; }
        [[nodiscard]] std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

    private:
        std::filesystem::path m_path;
    };

    // The whole file, byte for byte (binary mode: what is really on disk).
    inline std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream file(path, std::ios_base::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    inline void WriteFile(const std::filesystem::path& path, const std::string& text)
    {
        std::ofstream file(path, std::ios_base::binary | std::ios_base::trunc);
        file << text;
    }
} // namespace NimbravaTest
