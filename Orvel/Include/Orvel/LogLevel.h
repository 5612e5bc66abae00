#pragma once

#include <array>
#include <cstdint>
#include <string_view>

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

    // What a log line writes for its level, 11 characters so that messages line up: " [MESSAGE] ",
    // " [ERROR]   " and so on. Empty for Default (no level of its own) and for values beyond Fatal.
    [[nodiscard]] constexpr std::string_view LevelTag(LogLevel level) noexcept
    {
        constexpr std::array<std::string_view, 6> tags = {
            "", " [DEBUG]   ", " [MESSAGE] ", " [WARNING] ", " [ERROR]   ", " [FATAL]   ",
        };
        const auto index = static_cast<std::uint32_t>(level);
        return index < tags.size() ? tags[index] : std::string_view();
    }
} // namespace Orvel
