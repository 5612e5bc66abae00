#pragma once
// A Mod Organizer 2 profile, read as the game sees the game's files through MO2: the instance is the
// folder two levels above the profile's own (<instance>/profiles/<name>), with ModOrganizer.ini.

#include <filesystem>
#include <optional>
#include <vector>
#include "GameData/GameFolder.h"
#include "checks/Context.h"

namespace NimbravaCheck
{
    struct ModOrganizerProfile
    {
        std::filesystem::path Profile;
        std::filesystem::path Instance;
        // gamePath of ModOrganizer.ini where it leads here; nothing when it is not set or leads nowhere.
        std::optional<std::filesystem::path> Game;
        std::filesystem::path PluginsTxt; // the profile's plugins.txt, the load order
        std::filesystem::path Mods;       // the folder of the mods' folders
        // The overwrite folder, then the enabled mods' folders from the highest priority down (modlist.txt
        // lists the highest first; separators and the game's own content, "*", are no folders); the
        // profile's folder for the INI files when its settings.ini sets LocalSettings.
        GameData::GameFolder::Overlay Overlay;
        std::vector<std::string> MissingMods; // enabled mods without a folder, UTF-8
    };

    // The profile in `folder`, its paths resolved as Windows paths outside Windows (through the
    // context's Wine prefix). Throws InputError when `folder` holds no plugins.txt or no modlist.txt,
    // when ModOrganizer.ini is not two levels above it, or when one of them cannot be read;
    // std::bad_alloc.
    [[nodiscard]] ModOrganizerProfile ReadModOrganizerProfile(const std::filesystem::path& folder,
                                                              const CheckContext& context);

    // Whether `pluginsTxt` is a Mod Organizer 2 profile's: a modlist.txt lies beside it.
    [[nodiscard]] bool IsModOrganizerPluginsTxt(const std::filesystem::path& pluginsTxt);
} // namespace NimbravaCheck
