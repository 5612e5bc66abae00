#pragma once
// A fresh, empty directory for one test, removed with everything in it when the test ends.

#include <filesystem>
#include <string_view>

namespace NimbravaTest
{
    class TempDirectory
    {
    public:
        TempDirectory();
        ~TempDirectory();
        TempDirectory(const TempDirectory&) = delete;
        TempDirectory& operator=(const TempDirectory&) = delete;

        [[nodiscard]] const std::filesystem::path& Path() const noexcept { return m_path; }

        // Writes `bytes` to `name` inside the directory exactly as given (binary, no line-end
        // translation) and returns the file's path.
        std::filesystem::path WriteFile(const std::filesystem::path& name, std::string_view bytes) const;

    private:
        std::filesystem::path m_path;
    };
} // namespace NimbravaTest
