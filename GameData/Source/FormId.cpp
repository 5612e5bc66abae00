#include "GameData/FormId.h"

#include <algorithm>
#include "Orvel/Ascii.h"

namespace GameData
{
    void NumberPlugins(std::vector<LoadedPlugin>& plugins) noexcept
    {
        std::uint32_t full = 0;
        std::uint32_t light = 0;
        for (auto& plugin : plugins)
            plugin.Index = plugin.Light ? light++ : full++;
    }

    std::uint32_t RunTimeFormId(const LoadedPlugin& plugin, std::uint32_t inFileId) noexcept
    {
        if (plugin.Light)
            return LightTopByte << 24 | (plugin.Index & 0xFFFu) << 12 | (inFileId & LightObjectIds);
        return (plugin.Index & 0xFFu) << 24 | (inFileId & FullObjectIds);
    }

    FormIdResolver::FormIdResolver(const LoadOrder& order, const LoadedPlugin& plugin) : m_plugin(plugin)
    {
        if (!plugin.File)
            return;
        for (const auto& master : plugin.File->Header.Masters)
        {
            const auto found = std::ranges::find_if(
                order.Plugins, [&](const LoadedPlugin& other) { return Orvel::EqualIgnoringCase(other.Name, master); });
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
