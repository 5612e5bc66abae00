#pragma once
// The player's game as the checks see it: the game folder, where its load order came from, the load
// order, the worldspaces it holds, and what is wrong with them. commands/GameInputs.h reads it.

#include <filesystem>
#include <optional>
#include <vector>
#include "GameData/GameFolder.h"
#include "GameData/LoadOrder.h"
#include "GameData/Worldspaces.h"
#include "checks/Finding.h"
#include "text/GameCodePage.h"

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
        // and masters, string tables that do not read (LoadOrderFindings).
        std::vector<Finding> Problems;
    };

    // What every check may use besides its input: the game's code page, and the game when it was found.
    struct CheckContext
    {
        GameCodePage CodePage;
        const InstalledGame* Game = nullptr;
    };

    // The findings of GameData's problems, worded, in their order.
    [[nodiscard]] std::vector<Finding> LoadOrderFindings(const std::vector<GameData::Problem>& problems);
} // namespace NimbravaCheck
