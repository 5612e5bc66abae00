#pragma once
// Files read whole, in one place: the checker's inputs (its configuration, Plugins.txt, a module)
// and the game's small text files and string tables.

#include <cstdint>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>

namespace GameData
{
    // Why a file was not read. what(): the reason as a phrase about the file ("does not exist", "is
    // a directory", "is not a regular file", "cannot be opened", "is larger than N bytes, the most read
    // of such a file", "cannot be read").
    class FileReadError : public std::runtime_error
    {
    public:
        enum class Reason
        {
            Missing,
            Directory,
            NotRegular, // a pipe, a socket, a device: opening one may wait for ever
            CannotOpen,
            TooLarge, // Limit() tells the most read of it
            CannotRead,
        };

        // `limit`: of TooLarge, the most read of the file.
        explicit FileReadError(Reason reason, std::uint64_t limit = 0);

        [[nodiscard]] Reason Why() const noexcept { return m_reason; }
        [[nodiscard]] std::uint64_t Limit() const noexcept { return m_limit; }

    private:
        Reason m_reason;
        std::uint64_t m_limit;
    };

    // The most read of the game's own text files (Skyrim.ini, Skyrim.ccc, Plugins.txt): they hold some
    // kilobytes, a Plugins.txt of thousands of plugins some hundred. A larger one is no file the game
    // wrote, and is not read.
    inline constexpr std::uint64_t MaximumGameTextSize = std::uint64_t{4} << 20;

    // Throws FileReadError when `path` is missing, a directory or anything else than a regular file:
    // what must be checked before opening it, as opening a FIFO waits for a writer.
    void RequireRegularFile(const std::filesystem::path& path);

    // The bytes of the file at `path`, as they are on disk. Throws FileReadError when it is missing,
    // a directory or anything else than a regular file (never opened: opening a FIFO waits for a
    // writer), cannot be opened, holds more than `limit` bytes or cannot be read; std::bad_alloc.
    [[nodiscard]] std::string ReadWholeFile(const std::filesystem::path& path,
                                            std::uint64_t limit = std::numeric_limits<std::uint64_t>::max());
} // namespace GameData
