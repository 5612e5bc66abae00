#pragma once
// The inputs a command resolves before its checks run: the configuration, read once, and the game
// with its load order. Each throws InputError (checks/InputError.h) for what it cannot read.

#include <filesystem>
#include <optional>
#include <string>
#include "checks/Configuration.h"
#include "checks/Context.h"
#include "checks/InstalledGame.h"
#include "commands/Commands.h"

namespace NimbravaCheck
{
    // The configuration a player means by `given`: the _nimbrava.ini of an enbseries folder, or the file
    // itself. Throws InputError when `given` is neither a folder nor a file.
    [[nodiscard]] std::filesystem::path ConfigurationFile(const std::filesystem::path& given);

    // The configuration `file`, read once and read by the plugin's reader as the plugin reads it.
    // Throws InputError with the plugin reader's own words ("Unable to open file ...") when it cannot
    // be read; std::bad_alloc.
    [[nodiscard]] Configuration ReadConfiguration(const std::filesystem::path& file);

    // The game folder a player means by `folder`: itself when it holds Data/, its parent when it is an
    // enbseries folder (or any folder without Data/ beside a parent that has it); nothing otherwise.
    [[nodiscard]] std::optional<std::filesystem::path> GameFolderOf(const std::filesystem::path& folder);

    // Reads the game in `folder` (which holds Data/) with the Plugins.txt `pluginsTxt` when given, else
    // the one the game uses (the first of GameFolder::PluginsTxtCandidates), else none (a problem).
    // Throws InputError when `pluginsTxt` was given but cannot be read, or when the one found cannot
    // be read and `strict` holds; without `strict` that is a problem and none is read.
    [[nodiscard]] InstalledGame ReadInstalledGame(const std::filesystem::path& folder,
                                                  const std::optional<std::filesystem::path>& pluginsTxt,
                                                  bool strict = true);

    // The game of a command, through the Mod Organizer 2 profile `request.Mo2` when given (its
    // plugins.txt, its mods' files and INI files; `folder`, else the instance's game folder), else in
    // `folder` as ReadInstalledGame reads it; nothing without a folder. Throws InputError as
    // ReadInstalledGame does, for a profile that cannot be read (ReadModOrganizerProfile), and when
    // --mo2 and --plugins-txt are both given.
    [[nodiscard]] std::optional<InstalledGame> ReadGame(const std::optional<std::filesystem::path>& folder,
                                                        const Request& request, bool strict);

    // The game of a command on the game folder `request.Target` (or the enbseries folder beside its
    // Data/), read as ReadGame reads it, strictly. Throws InputError when it is no game folder, and as
    // ReadGame does.
    [[nodiscard]] InstalledGame ReadGameFolder(const Request& request);

    // The game a command on `enbseries` means: the one `request.Game` names, else the one whose Data/
    // lies beside `enbseries`; nothing when none is named or beside. Throws InputError when the named
    // folder is no game folder or Plugins.txt cannot be read.
    [[nodiscard]] std::optional<InstalledGame> GameFor(const std::filesystem::path& enbseries, const Request& request);

    // What the checks of a command on the configuration take besides it: the code page asked for, the
    // game when found, and outside Windows the Wine prefix that $WINEPREFIX names.
    [[nodiscard]] CheckContext ContextFor(const Request& request, const InstalledGame* game);

    // Where the names come from, for the first lines of a report: the game folder and the Plugins.txt.
    [[nodiscard]] std::string LoadOrderSource(const InstalledGame& game);
} // namespace NimbravaCheck
