#pragma once
// What is wrong with a load order, as data: which plugin, which rule. The checker words them.

#include <cstdint>
#include <string>
#include <variant>

namespace GameData
{
    // Where a plugin of the load order was asked for.
    enum class PluginSource
    {
        BaseGame,   // one of the masters the game always loads
        Ccc,        // Skyrim.ccc: loaded only when it exists
        PluginsTxt, // active in Plugins.txt
    };

    // A listed plugin that is not in Data: the game does not load it.
    struct MissingPlugin
    {
        std::string Plugin; // UTF-8
        PluginSource Source;
    };

    // A plugin that cannot be read: its worldspaces are not listed.
    struct DamagedPlugin
    {
        std::string Plugin; // UTF-8
        std::string Error;  // the reader's: "FILE: WHAT (at offset 0xN)"
    };

    // More plugins than the game numbers (MaximumFullPlugins, MaximumLightPlugins in FormId.h).
    struct TooManyPlugins
    {
        std::uint32_t Full;
        std::uint32_t Light;
    };

    // A plugin whose master does not load before it: the game does not start.
    struct MissingMaster
    {
        std::string Plugin; // UTF-8
        std::string Master; // UTF-8
    };

    // A string table that cannot be read: the names from it are not known.
    struct DamagedStrings
    {
        std::string Table; // UTF-8, as Strings/<plugin>_<language>.STRINGS
        std::string Error; // the reader's: "FILE: WHAT (at offset 0xN)"
    };

    using Problem = std::variant<MissingPlugin, DamagedPlugin, TooManyPlugins, MissingMaster, DamagedStrings>;
} // namespace GameData
