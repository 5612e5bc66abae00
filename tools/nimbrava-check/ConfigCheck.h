#pragma once
// What the plugin makes of an enbseries directory's "_nimbrava.ini": its weatherlist sections in
// the order the plugin tries them, and every place where the file says something the plugin will
// not do, with the line and what the plugin does instead.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "Orvel/Ini.h"
#include "GameText.h"
#include "InstalledGame.h"
#include "WindowsPath.h"

namespace NimbravaCheck
{
    struct Warning
    {
        std::size_t Line;       // 1-based line of "_nimbrava.ini"; 0 for the whole file or the load order
        std::string Code;       // a short stable name of the pitfall, such as "quoted-ids"
        std::string Message;    // what is wrong and what the plugin does instead
        bool LoadOrder = false; // a problem of the game's plugins, not of "_nimbrava.ini"
    };

    struct SectionReport
    {
        int Number;       // n of WEATHERLISTnn
        std::size_t Line; // its first header line
        std::optional<std::size_t> IdsLine;
        std::vector<std::uint32_t> Ids; // as the plugin reads them; empty: never matches
        std::optional<std::size_t> FileNameLine;
        std::string ShownName; // the FileName without its enclosing quotes
        ResolvedFile File;
        // With the game's data: per ID of Ids, the worldspaces of the load order that mask to it.
        std::vector<std::vector<GameData::Worldspace>> Matches;
    };

    struct ConfigReport
    {
        std::filesystem::path File;
        Orvel::IniInterface Document;
        std::vector<std::string> Lines;      // the file's lines as written, without their line ends
        std::vector<SectionReport> Sections; // in priority order, WEATHERLIST01 first
        std::vector<Warning> Warnings;       // by line, the load order's first
        // With the game's data: the worldspaces that no section lists, and what else is worth knowing
        // of the load order without being a problem of the file (unlisted worldspaces that share an ID).
        std::vector<GameData::Worldspace> Unlisted;
        std::vector<std::string> Information;
        std::string LoadOrder; // with the game's data: where it came from (LoadOrderSource)
    };

    // The configuration a player means by `given`: the _nimbrava.ini of an enbseries folder, or the file
    // itself. Nothing, with the reason in `why`, when `given` is neither a folder nor a file.
    [[nodiscard]] std::optional<std::filesystem::path> ConfigurationFile(const std::filesystem::path& given,
                                                                         std::string& why);

    // Reads the configuration `file` (an enbseries folder's _nimbrava.ini, whose FileNames start at
    // that folder) with the plugin's reader and checks it; with `game`, also each ID against the
    // worldspaces of its load order, whose own problems join the report. A file saved as UTF-16 gives
    // that one problem. Throws Orvel::IOException when the file cannot be opened or read, and
    // std::bad_alloc.
    [[nodiscard]] ConfigReport CheckConfiguration(const std::filesystem::path& file,
                                                  const InstalledGame* game = nullptr);
} // namespace NimbravaCheck
