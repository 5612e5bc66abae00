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
    // loaded; LF or CR LF. Surrounding white space is no part of a name. The file is in code page 1252,
    // so a UTF-8 byte-order mark is three characters of the first line, which then starts with neither
    // '*' nor '#'.
    [[nodiscard]] std::vector<PluginsTxtLine> ParsePluginsTxt(std::string_view text);

    // A plugin the game is asked to load, and who asks.
    struct ListedPlugin
    {
        std::string Name; // as listed, code page 1252
        PluginSource Source;
    };

    struct PluginList
    {
        std::vector<ListedPlugin> Plugins;
        std::vector<Problem> Problems; // lines of Plugins.txt the game does not load, an unreadable Skyrim.ccc
    };

    struct LoadedPlugin
    {
        std::string Name;               // as listed, code page 1252
        std::filesystem::path Path;     // the file in Data
        std::optional<PluginFile> File; // nothing when it is damaged (see the problems)
        bool Master = false;            // .esm, .esl or the master flag: loaded before the others
        bool Light = false;             // .esl or the light flag: numbered among the light plugins
        // Its place among the full plugins (II), or among the light ones (LLL); nothing past the limits
        // of FormId.h, where the game gives it no form IDs.
        std::optional<std::uint32_t> Index;
    };

    struct LoadOrder
    {
        std::vector<LoadedPlugin> Plugins; // the active plugins that exist, in load order
        std::vector<Problem> Problems;     // missing and damaged plugins, the rules the order breaks
    };

    // The plugins the game is asked to load, in the order asked: the base masters, the plugins
    // Skyrim.ccc names, then the active plugins of `pluginsTxt` (none when it is null); only names of
    // .esp, .esm and .esl files. Its problems: active names of Plugins.txt that are no plugin, a
    // byte-order mark that hides the first one, a Skyrim.ccc that is there but cannot be read. Throws
    // std::bad_alloc only.
    [[nodiscard]] PluginList ListPlugins(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt);

    // The listed plugins as the game loads them: each read from Data, the first listing of a plugin
    // kept (names compared as Windows compares them, NameCase.h), Plugins.txt's masters before its
    // other plugins (each kind in the file's order), except that a non-master that a master needs as
    // its master loads just before the earliest master that needs it (only those a master names: a
    // non-master that only a moved one needs keeps its place); numbered (NumberPlugins,
    // FormId.h). A plugin that is missing takes no place (a problem, unless Skyrim.ccc names it); one
    // that cannot be read is a problem and keeps its place, taking master and light from its
    // extension. Throws std::bad_alloc only.
    [[nodiscard]] LoadOrder OrderPlugins(const GameFolder& game, const std::vector<ListedPlugin>& listed);

    // The rules `order` breaks: more plugins than the game numbers (naming the ones past the limits),
    // and masters that do not load before the plugins that name them (each once per plugin, however
    // often it names it). Throws std::bad_alloc only.
    [[nodiscard]] std::vector<Problem> CheckLoadOrder(const LoadOrder& order);

    // The load order of `game`, the problems of each step included: ListPlugins, OrderPlugins,
    // CheckLoadOrder.
    [[nodiscard]] LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt);
} // namespace GameData
