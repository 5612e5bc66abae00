#pragma once
// A fresh, empty directory for one test, removed with everything in it when the test ends, and
// byte-exact file reading and writing for tests.

#include <filesystem>
#include <string>
#include <string_view>

namespace NimbravaTest
{
    // Whether this is the Windows build: its C runtime reads text files with CR LF line ends and
    // stops at CTRL-Z, and its paths start with a drive.
#ifdef _WIN32
    inline constexpr bool Windows = true;
#else
    inline constexpr bool Windows = false;
#endif

    // The whole file, byte for byte (binary mode: what is really on disk); empty when unreadable.
    std::string ReadFile(const std::filesystem::path& path);

    // Replaces the file with exactly these bytes (binary, no line-end translation). Throws
    // std::runtime_error when the file cannot be written.
    void WriteFile(const std::filesystem::path& path, std::string_view bytes);

    class TempDirectory
    {
    public:
        TempDirectory();
        ~TempDirectory();
        TempDirectory(const TempDirectory&) = delete;
        TempDirectory& operator=(const TempDirectory&) = delete;

        [[nodiscard]] const std::filesystem::path& Path() const noexcept { return m_path; }
        [[nodiscard]] std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

        // Writes `bytes` to `name` inside the directory (see WriteFile) and returns the file's path.
        std::filesystem::path WriteFile(const std::filesystem::path& name, std::string_view bytes) const
        {
            NimbravaTest::WriteFile(m_path / name, bytes);
            return m_path / name;
        }

    private:
        std::filesystem::path m_path;
    };
} // namespace NimbravaTest
