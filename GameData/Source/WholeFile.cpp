#include "GameData/WholeFile.h"

#include <fmt/format.h>
#include <fstream>

namespace GameData
{
    namespace
    {
        std::string Phrase(FileReadError::Reason reason, std::uint64_t limit)
        {
            using enum FileReadError::Reason;
            switch (reason)
            {
            case Missing:
                return "does not exist";
            case Directory:
                return "is a directory";
            case NotRegular:
                return "is not a regular file";
            case CannotOpen:
                return "cannot be opened";
            case TooLarge:
                return fmt::format("is larger than {} bytes, the most read of such a file", limit);
            case CannotRead:
                break;
            }
            return "cannot be read";
        }
    } // namespace

    FileReadError::FileReadError(Reason reason, std::uint64_t limit)
        : std::runtime_error(Phrase(reason, limit)), m_reason(reason), m_limit(limit)
    {
    }

    void RequireRegularFile(const std::filesystem::path& path)
    {
        using enum FileReadError::Reason;
        std::error_code error;
        const auto status = std::filesystem::status(path, error);
        if (status.type() == std::filesystem::file_type::not_found)
            throw FileReadError(Missing);
        if (status.type() == std::filesystem::file_type::directory)
            throw FileReadError(Directory);
        // A status that cannot be told is left to the opening, which tells why.
        if (!error && status.type() != std::filesystem::file_type::regular)
            throw FileReadError(NotRegular);
    }

    std::string ReadWholeFile(const std::filesystem::path& path, std::uint64_t limit)
    {
        using enum FileReadError::Reason;
        RequireRegularFile(path);
        std::ifstream stream(path, std::ios::binary);
        if (!stream)
            throw FileReadError(CannotOpen);
        // One read of the whole file: a d3d11.dll runs to megabytes.
        stream.seekg(0, std::ios::end);
        const auto size = static_cast<std::streamoff>(stream.tellg());
        stream.seekg(0);
        if (size < 0 || !stream)
            throw FileReadError(CannotRead);
        if (static_cast<std::uint64_t>(size) > limit)
            throw FileReadError(TooLarge, limit);
        std::string bytes(static_cast<std::size_t>(size), '\0');
        if (!bytes.empty() && !stream.read(bytes.data(), size))
            throw FileReadError(CannotRead);
        return bytes;
    }
} // namespace GameData
