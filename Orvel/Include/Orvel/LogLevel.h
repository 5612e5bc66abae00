#pragma once

#include <cstdint>

namespace Orvel
{
    // Severity of a log line. Compared as unsigned numbers.
    enum class LogLevel : std::uint32_t
    {
        Default = 0, // the logger's DefaultLevel
        Debug = 1,
        Message = 2,
        Warning = 3,
        Error = 4,
        Fatal = 5,
    };
} // namespace Orvel
