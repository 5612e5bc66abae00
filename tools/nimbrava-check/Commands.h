#pragma once
// The checker's commands. Each writes its report to `out` (text for a person, or JSON) and its
// errors to `err`, and returns the exit code: 0 all good, 1 problems found, 2 unreadable input.

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <vector>

namespace NimbravaCheck
{
    inline constexpr int ExitGood = 0;
    inline constexpr int ExitProblems = 1;
    inline constexpr int ExitUnreadable = 2;

    struct Output
    {
        std::ostream& Out;
        std::ostream& Err;
        bool Json = false;
    };

    // Whether the plugin can work with the d3d11.dll at `path`.
    int RunModule(const std::filesystem::path& path, const Output& output);

    // The weatherlist sections of `enbseries`/_nimbrava.ini in priority order, then every warning.
    int RunConfiguration(const std::filesystem::path& enbseries, const Output& output);

    // The plugin's decision and log lines for each worldspace ID.
    int RunWorldspaces(const std::filesystem::path& enbseries, const std::vector<std::uint32_t>& ids,
                       const Output& output);
} // namespace NimbravaCheck
