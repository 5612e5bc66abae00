#include "GameData/FormId.h"

#include <algorithm>
#include "GameData/NameCase.h"

namespace GameData
{
    void NumberPlugins(std::vector<LoadedPlugin>& plugins) noexcept
    {
        std::uint32_t full = 0;
        std::uint32_t light = 0;
        for (auto& plugin : plugins)
        {
            std::uint32_t& next = plugin.Light ? light : full;
            const std::uint32_t most = plugin.Light ? MaximumLightPlugins : MaximumFullPlugins;
            plugin.Index = next < most ? std::optional(next++) : std::nullopt;
        }
    }

    std::uint32_t LowestLightObjectId(float version) noexcept
    {
        // Versions are floats as the editor wrote them: 1.71 is 1.70999...
        return version >= 1.705f ? 0 : 0x800;
    }

    std::optional<std::uint32_t> RunTimeFormId(const LoadedPlugin& plugin, std::uint32_t inFileId) noexcept
    {
        if (!plugin.Index)
            return std::nullopt;
        if (!plugin.Light)
            return *plugin.Index << 24 | (inFileId & FullObjectIds);
        const std::uint32_t object = inFileId & FullObjectIds;
        const float version = plugin.File ? plugin.File->Header.Version : 0;
        if (object > LightObjectIds || object < LowestLightObjectId(version))
            return std::nullopt;
        return LightTopByte << 24 | *plugin.Index << 12 | object;
    }

    FormIdResolver::FormIdResolver(const LoadOrder& order, const LoadedPlugin& plugin) : m_plugin(plugin)
    {
        if (!plugin.File)
            return;
        for (const auto& master : plugin.File->Header.Masters)
        {
            const auto found = std::ranges::find_if(
                order.Plugins, [&](const LoadedPlugin& other) { return SameName(other.Name, master); });
            m_masters.push_back(found == order.Plugins.end() ? nullptr : &*found);
        }
    }

    const LoadedPlugin* FormIdResolver::Owner(std::uint32_t inFileId) const noexcept
    {
        const std::uint32_t top = inFileId >> 24;
        return top < m_masters.size() ? m_masters[top] : &m_plugin;
    }

    std::optional<std::uint32_t> FormIdResolver::RunTime(std::uint32_t inFileId) const noexcept
    {
        const LoadedPlugin* owner = Owner(inFileId);
        if (owner == nullptr)
            return std::nullopt;
        return RunTimeFormId(*owner, inFileId);
    }
} // namespace GameData
