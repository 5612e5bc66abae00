#pragma once
// The player's game as the checks see it: the game folder, where its load order came from, the load
// order, the worldspaces and weathers it holds, and what is wrong with them. commands/Inputs.h reads it.

#include <filesystem>
#include <optional>
#include <vector>
#include "GameData/GameFolder.h"
#include "GameData/LoadOrder.h"
#include "GameData/Weathers.h"
#include "GameData/Worldspaces.h"
#include "checks/Finding.h"

namespace NimbravaCheck
{
    struct InstalledGame
    {
        GameData::GameFolder Folder;
        std::optional<std::filesystem::path> PluginsTxt;    // the file read, when one was found
        std::vector<std::filesystem::path> OtherPluginsTxt; // further candidates, not read
        std::optional<std::filesystem::path> Mo2;           // the Mod Organizer 2 profile it is seen through
        GameData::LoadOrder Order;
        GameData::WorldspaceList Worldspaces;
        // Everything worth telling about the load order: no Plugins.txt, missing and damaged plugins
        // and masters, string tables that do not read (LoadOrderFindings.h).
        std::vector<Finding> Problems;
        // Its weathers, climates and regions, and the weathers each worldspace can show.
        GameData::GameWeathers Weathers{};
    };
} // namespace NimbravaCheck
