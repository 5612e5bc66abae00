#pragma once
// The player's game as nimbrava-check reads it: the game folder, the load order from Plugins.txt and
// the worldspaces it holds.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include "GameData/GameFolder.h"
#include "GameData/Worldspaces.h"
#include "Json.h"

namespace NimbravaCheck
{
    struct InstalledGame
    {
        GameData::GameFolder Folder;
        std::optional<std::filesystem::path> PluginsTxt;    // the file read, when one was found
        std::vector<std::filesystem::path> OtherPluginsTxt; // further candidates, not read
        GameData::LoadOrder Order;
        GameData::WorldspaceList Worldspaces;
        // Everything worth telling about the load order: no Plugins.txt, missing and damaged plugins
        // and masters, string tables that do not read.
        std::vector<GameData::Problem> Problems;
    };

    // The game folder a player means by `folder`: itself when it holds Data/, its parent when it is an
    // enbseries folder (or any folder without Data/ beside a parent that has it); nothing otherwise.
    [[nodiscard]] std::optional<std::filesystem::path> GameFolderOf(const std::filesystem::path& folder);

    // Reads the game in `folder` (which holds Data/) with the Plugins.txt `pluginsTxt` when given, else
    // the one the game uses (the first of GameFolder::PluginsTxtCandidates), else none (a problem).
    // Nothing, with the reason in `why`, when `pluginsTxt` was given but cannot be read, or when the one
    // found cannot be read and `strict` holds; without `strict` that is a problem and none is read.
    [[nodiscard]] std::optional<InstalledGame> ReadInstalledGame(const std::filesystem::path& folder,
                                                                 const std::optional<std::filesystem::path>& pluginsTxt,
                                                                 std::string& why, bool strict = true);

    struct GameOptions;

    // What a command on a configuration reads: the file (ConfigurationFile, ConfigCheck.h) and the
    // game beside it (GameFor).
    struct Configuration
    {
        std::filesystem::path File;
        std::optional<InstalledGame> Game;
    };

    // Nothing, with the message written to `err`, when the file or the game named cannot be had.
    [[nodiscard]] std::optional<Configuration> OpenConfiguration(const std::filesystem::path& given,
                                                                 const GameOptions& options, std::ostream& err);

    // Where the names come from, for the first lines of a report: the game folder and the Plugins.txt.
    [[nodiscard]] std::string LoadOrderSource(const InstalledGame& game);

    // The game a command on `enbseries` means: the one `options.Game` names, else the one whose Data/
    // lies beside `enbseries`. Nothing when none is named or beside; nothing with `error` set when the
    // named folder is no game folder or Plugins.txt cannot be read.
    [[nodiscard]] std::optional<InstalledGame> GameFor(const std::filesystem::path& enbseries,
                                                       const GameOptions& options, std::string& error);

    // A worldspace as a person reads it: "DLC2SolstheimWorld (Solstheim, Dragonborn.esm)".
    [[nodiscard]] std::string Describe(const GameData::Worldspace& worldspace);

    // A worldspace in JSON: id (the masked ID as a section writes it), form_id (8 hexadecimal digits),
    // editor_id, name (or null), plugin, light.
    [[nodiscard]] Json ToJson(const GameData::Worldspace& worldspace);
    // Problems in JSON: objects of code and text.
    [[nodiscard]] Json ToJson(const std::vector<GameData::Problem>& problems);
} // namespace NimbravaCheck
