#pragma once
// Form IDs as a plugin writes them and as the game numbers them at run time. In a file, the top byte
// indexes the file's own master list, and an index past it means the file itself. At run time a full
// plugin's forms are II OOOOOO, II its place among the active full plugins; a light plugin's are
// FE LLL OOO, LLL its place among the active light plugins.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>
#include "GameData/LoadOrder.h"

namespace GameData
{
    // A full plugin's object ID: the low 24 bits of a form ID.
    inline constexpr std::uint32_t FullObjectIds = 0xFFFFFFu;
    // A light plugin's object ID: the low 12 bits; all light plugins share the top byte FE.
    inline constexpr std::uint32_t LightObjectIds = 0xFFFu;
    inline constexpr std::uint32_t LightTopByte = 0xFEu;
    // Full plugins take the top bytes 00 to FD, light plugins the 4096 places of FE.
    inline constexpr std::uint32_t MaximumFullPlugins = 0xFE;
    inline constexpr std::uint32_t MaximumLightPlugins = 0x1000;

    // Numbers `plugins`, in load order: each full plugin by its place among the full ones, each light
    // one among the light ones (LoadedPlugin::Index); those past MaximumFullPlugins or
    // MaximumLightPlugins get no number, and nothing before them changes.
    void NumberPlugins(std::vector<LoadedPlugin>& plugins) noexcept;

    // The lowest object ID that a light plugin whose HEDR says `version` may use: 0x800 below 1.71 (the
    // IDs below are the base game's), 0 from 1.71 on. Its highest is LightObjectIds.
    [[nodiscard]] std::uint32_t LowestLightObjectId(float version) noexcept;

    // The run-time form ID of the object `inFileId` that `plugin` adds; nothing when the plugin has no
    // number, or when it is light and the object ID lies outside its range (the game gives such a
    // record no ID of its own: masked to 12 bits it would take another's).
    [[nodiscard]] std::optional<std::uint32_t> RunTimeFormId(const LoadedPlugin& plugin,
                                                             std::uint32_t inFileId) noexcept;

    // The form IDs written in one plugin of a load order, resolved through its master list.
    class FormIdResolver
    {
    public:
        // Both must outlive the resolver.
        FormIdResolver(const LoadOrder& order, const LoadedPlugin& plugin);

        // The plugin that adds the form `inFileId` names: the master its top byte indexes, or this
        // plugin; null when that master is not loaded.
        [[nodiscard]] const LoadedPlugin* Owner(std::uint32_t inFileId) const noexcept;
        // Its run-time form ID; nothing when its owner is not loaded or gives it none (RunTimeFormId).
        [[nodiscard]] std::optional<std::uint32_t> RunTime(std::uint32_t inFileId) const noexcept;

    private:
        const LoadedPlugin& m_plugin;
        std::vector<const LoadedPlugin*> m_masters; // per entry of its master list
    };
} // namespace GameData
