#pragma once
// The checker's commands. Each writes its report to `out` (text for a person, or JSON) and its
// errors to `err`, and returns the exit code: 0 all good, 1 problems found, 2 unreadable input.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
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
        bool Verbose = false; // offsets and descriptors in the module report
    };

    // Where the game's data is: the game folder (--game; else the folder above the enbseries folder,
    // when it holds Data/) and Plugins.txt (--plugins-txt; else where the game keeps it).
    struct GameOptions
    {
        std::optional<std::filesystem::path> Game;
        std::optional<std::filesystem::path> PluginsTxt;
    };

    // Whether the plugin can work with the d3d11.dll at `path`.
    int RunModule(const std::filesystem::path& path, const Output& output);

    // The weatherlist sections of `enbseries`/_nimbrava.ini in priority order, then every warning;
    // with the game's data, the worldspaces each ID names.
    int RunConfiguration(const std::filesystem::path& enbseries, const GameOptions& game, const Output& output);

    // The plugin's decision and log lines for each worldspace, given by its ID (hexadecimal, as ENB
    // reports it) or, with the game's data, by its editor ID.
    int RunWorldspaces(const std::filesystem::path& enbseries, const std::vector<std::string>& worldspaces,
                       const GameOptions& game, const Output& output);

    // Every worldspace of the load order of the game in `folder` (an enbseries folder: its parent).
    int RunWorldspaceList(const std::filesystem::path& folder, const std::optional<std::filesystem::path>& pluginsTxt,
                          const Output& output);

    // Writes a commented starter `enbseries`/_nimbrava.ini from the game's load order; refuses (2)
    // and changes nothing when the file exists.
    int RunInit(const std::filesystem::path& enbseries, const GameOptions& game, const Output& output);
} // namespace NimbravaCheck
