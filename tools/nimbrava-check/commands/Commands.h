#pragma once
// The checker's commands. Each resolves its inputs, runs the checks, writes its report to `Out` (text
// for a person, or JSON) and its errors to `Err`, and returns the exit code: 0 all good, 1 problems
// found, 2 unreadable input. Input it cannot work with throws InputError (checks/InputError.h).

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>
#include "text/GameCodePage.h"

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

    // What the command line asks of a command.
    struct Request
    {
        // What the command works on: the configuration (an enbseries folder, or the file itself), the
        // game folder, the enbseries folder to write into, or the module.
        std::filesystem::path Target;
        std::vector<std::string> Worldspaces; // --worldspace, --walk: IDs, editor IDs or names, one each
        // Where the game's data is: the game folder (else the folder above the enbseries folder, when it
        // holds Data/) and Plugins.txt (else where the game keeps it).
        std::optional<std::filesystem::path> Game;
        std::optional<std::filesystem::path> PluginsTxt;
        // A Mod Organizer 2 profile's folder: the load order, the mods' files and the INI files as the
        // game sees them through MO2 (its game folder when none is given or beside).
        std::optional<std::filesystem::path> Mo2;
        GameCodePage CodePage;
    };

    // The weatherlist sections of the configuration in priority order, then every problem; with the
    // game's data, the worldspaces each ID names.
    int RunConfiguration(const Request& request, const Output& output);

    // The plugin's decision and log lines for each worldspace, given by its ID (hexadecimal, as ENB
    // reports it) or, with the game's data, by its editor ID.
    int RunWorldspaces(const Request& request, const Output& output);

    // A walk through the worldspaces of the request from the game's start: what the plugin logs at each
    // step, and the weather list ENB reads after it.
    int RunWalk(const Request& request, const Output& output);

    // Every worldspace of the load order of the game in the target folder (an enbseries folder: its
    // parent).
    int RunWorldspaceList(const Request& request, const Output& output);

    // Every weather of the load order of the game in the target folder (an enbseries folder: its
    // parent), and for each worldspace its climate and the weathers its climate and regions can pick.
    int RunWeathers(const Request& request, const Output& output);

    // Writes a commented starter _nimbrava.ini into the target folder from the game's load order;
    // refuses (2) and changes nothing when the file exists.
    int RunInit(const Request& request, const Output& output);

    // Whether the plugin can work with the d3d11.dll in the target.
    int RunModule(const Request& request, const Output& output);

    // The checker's error line: "PROGRAM: MESSAGE", PROGRAM as it was started (text/ProgramName.h).
    void WriteError(std::ostream& err, std::string_view message);
} // namespace NimbravaCheck
