#pragma once
// Every worldspace of a load order, as the game sees it: full run-time form IDs (FormId.h), and the
// editor ID and name of the last plugin that carries each.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "GameData/LoadOrder.h"

namespace GameData
{
    struct Worldspace
    {
        std::uint32_t FormId = 0;            // run-time form ID
        std::string EditorId;                // UTF-8 (from code page 1252)
        std::optional<std::string> Name;     // UTF-8; nothing when unknown (localized without its table)
        std::string Plugin;                  // UTF-8 file name of the plugin that adds it
        std::string NamedBy;                 // UTF-8 file name of the plugin whose editor ID and name win
        bool Light = false;                  // added by a light plugin: its ID moves with the load order
        std::optional<std::uint32_t> Parent; // run-time form ID of its parent worldspace
    };

    struct WorldspaceList
    {
        std::vector<Worldspace> Worldspaces; // in load order of the plugins that add them, then file order
        // Records of light plugins outside their range of object IDs, string tables or strings that do
        // not read, localized plugins without loose tables, string IDs a table lacks.
        std::vector<Problem> Problems;
    };

    // The worldspaces of `order`: each record resolved through its plugin's masters to the plugin
    // that adds it, overrides folded into the record they override (the last one's editor ID and name
    // win), deleted ones left out; none of a plugin without a number, nor records that get no form ID
    // (RunTimeFormId). Names of localized plugins come from Data/Strings/<plugin>_<language>.STRINGS of
    // `game` when it is there, only the strings its worldspaces name read, within StringTableBudget for
    // the whole run. Throws std::bad_alloc only.
    [[nodiscard]] WorldspaceList ListWorldspaces(const GameFolder& game, const LoadOrder& order);
} // namespace GameData
