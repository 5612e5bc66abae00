#include "TempDirectory.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace NimbravaTest
{
    TempDirectory::TempDirectory()
    {
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100; ++attempt)
        {
            const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
            const auto name = "nimbrava-test-" + std::to_string(ticks) + "-" + std::to_string(random()) + "-" +
                              std::to_string(counter++);
            if (std::filesystem::create_directory(base / name))
            {
                m_path = base / name;
                return;
            }
        }
        throw std::runtime_error("no fresh temporary directory could be made");
    }

    TempDirectory::~TempDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }

    std::filesystem::path TempDirectory::WriteFile(const std::filesystem::path& name, std::string_view bytes) const
    {
        const auto path = m_path / name;
        std::ofstream file(path, std::ios_base::out | std::ios_base::binary | std::ios_base::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
            throw std::runtime_error("could not write the test file " + path.string());
        return path;
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
    }
} // namespace NimbravaTest
