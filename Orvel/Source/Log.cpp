#include "Orvel/Exceptions.h"

namespace Orvel
{
    LogFileOpenException::LogFileOpenException(const std::filesystem::path& path)
        : ErrnoException(FormatWithLocation<std::string>("Couldn't open logging file '{}'"), path.string())
    {
    }
} // namespace Orvel
