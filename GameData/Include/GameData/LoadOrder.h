#pragma once
// The plugins the game loads, in the order it loads them, and the run-time form IDs that order gives
// their records.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/GameFolder.h"
#include "GameData/PluginFile.h"

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

    // A problem of the load order, for a person: a stable code and a sentence.
    struct Problem
    {
        std::string Code;
        std::string Text;
    };

    struct LoadedPlugin
    {
        std::string Name;               // as listed, code page 1252
        std::filesystem::path Path;     // the file in Data
        std::optional<PluginFile> File; // nothing when it is damaged (see the problems)
        bool Master = false;            // .esm, .esl or the master flag: loaded before the others
        bool Light = false;             // .esl or the light flag: numbered among the light plugins
        std::uint32_t Index = 0;        // its place among the full plugins (II), or among the light ones (LLL)

        // The run-time form ID of the object `inFileId` that this plugin adds (its own objects, whose
        // in-file top byte is past its masters): II OOOOOO for a full plugin, FE LLL OOO for a light one.
        [[nodiscard]] std::uint32_t RunTimeId(std::uint32_t inFileId) const noexcept;
    };

    struct LoadOrder
    {
        std::vector<LoadedPlugin> Plugins; // the active plugins that exist, in load order
        std::vector<Problem> Problems;     // missing and damaged plugins, a missing Plugins.txt
    };

    // The load order of `game`: the base masters, then the plugins Skyrim.ccc names that exist, in its
    // order, then the active plugins of `pluginsTxt` (none when it is null) with the masters before the
    // others. A plugin listed twice keeps its first place. A listed plugin that is missing is a problem
    // and takes no place; one that cannot be read is a problem and keeps its place, taking master and
    // light from its extension. Throws std::bad_alloc only.
    [[nodiscard]] LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt);
} // namespace GameData
