#pragma once
// The plugins the game loads, in the order it loads them, found in three steps: which plugins are
// asked for, in what order they load, which rules that order breaks. FormId.h numbers their records.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/GameFolder.h"
#include "GameData/PluginFile.h"
#include "GameData/Problems.h"

namespace GameData
{
    // The masters the game always loads first, in this order, whatever Plugins.txt says.
    inline constexpr std::array<std::string_view, 5> BaseMasters = {"Skyrim.esm", "Update.esm", "Dawnguard.esm",
                                                                    "HearthFires.esm", "Dragonborn.esm"};

    struct PluginsTxtLine
    {
        std::size_t Line = 0; // 1-based
        std::string Name;     // as written, code page 1252
        bool Active = false;  // written with '*' before the name
    };

    // Plugins.txt as the game reads it: a line starting with '#' is a comment, a blank line is
    // skipped, '*' before a name marks the plugin active and a bare name one that is present but not
    // loaded; LF or CR LF. Surrounding white space is no part of a name.
    [[nodiscard]] std::vector<PluginsTxtLine> ParsePluginsTxt(std::string_view text);

    // A plugin the game is asked to load, and who asks.
    struct ListedPlugin
    {
        std::string Name; // as listed, code page 1252
        PluginSource Source;
    };

    struct LoadedPlugin
    {
        std::string Name;               // as listed, code page 1252
        std::filesystem::path Path;     // the file in Data
        std::optional<PluginFile> File; // nothing when it is damaged (see the problems)
        bool Master = false;            // .esm, .esl or the master flag: loaded before the others
        bool Light = false;             // .esl or the light flag: numbered among the light plugins
        std::uint32_t Index = 0;        // its place among the full plugins (II), or among the light ones (LLL)
    };

    struct LoadOrder
    {
        std::vector<LoadedPlugin> Plugins; // the active plugins that exist, in load order
        std::vector<Problem> Problems;     // missing and damaged plugins, the rules the order breaks
    };

    // The plugins the game is asked to load, in the order asked: the base masters, the plugins
    // Skyrim.ccc names, then the active plugins of `pluginsTxt` (none when it is null). Throws
    // std::bad_alloc only.
    [[nodiscard]] std::vector<ListedPlugin> ListPlugins(const GameFolder& game,
                                                        const std::vector<PluginsTxtLine>* pluginsTxt);

    // The listed plugins as the game loads them: each read from Data, the first listing of a plugin
    // kept, Plugins.txt's masters before its other plugins (each kind in the file's order), numbered
    // (NumberPlugins, FormId.h). A plugin that is missing takes no place (a problem, unless Skyrim.ccc
    // names it); one that cannot be read is a problem and keeps its place, taking master and light
    // from its extension. Throws std::bad_alloc only.
    [[nodiscard]] LoadOrder OrderPlugins(const GameFolder& game, const std::vector<ListedPlugin>& listed);

    // The rules `order` breaks: more plugins than the game numbers, and masters that do not load
    // before the plugins that name them. Throws std::bad_alloc only.
    [[nodiscard]] std::vector<Problem> CheckLoadOrder(const LoadOrder& order);

    // The load order of `game`, its problems included: ListPlugins, OrderPlugins, CheckLoadOrder.
    [[nodiscard]] LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt);
} // namespace GameData
