#include "TempDirectory.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace NimbravaTest
{
    TempDirectory::TempDirectory()
    {
        // The clock as well as random_device: some MinGW runtimes give the same "random" sequence
        // in every process, and tests run in parallel processes.
        static std::atomic<unsigned> counter{0};
        std::random_device random;
        do
            m_path = std::filesystem::temp_directory_path() /
                     ("nimbrava-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                      "-" + std::to_string(random()) + "-" + std::to_string(counter++));
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
