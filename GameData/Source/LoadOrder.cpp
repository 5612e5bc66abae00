#include "GameData/LoadOrder.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <sstream>
#include "GameData/Text.h"
#include "Orvel/Ascii.h"

namespace GameData
{
    namespace
    {
        using Orvel::EqualIgnoringCase;

        bool HasExtension(std::string_view name, std::string_view extension) noexcept
        {
            return name.size() >= extension.size() &&
                   EqualIgnoringCase(name.substr(name.size() - extension.size()), extension);
        }

        std::string ReadText(const std::filesystem::path& path)
        {
            std::ifstream stream(path, std::ios::binary);
            std::ostringstream text;
            text << stream.rdbuf();
            return text.str();
        }

        // A plugin to load: where it comes from decides whether it may be missing quietly.
        struct Listed
        {
            std::string Name;
            bool FromPluginsTxt = false;
            bool Optional = false; // Skyrim.ccc's plugins load only when they exist
        };
    } // namespace

    std::vector<PluginsTxtLine> ParsePluginsTxt(std::string_view text)
    {
        std::vector<PluginsTxtLine> lines;
        std::size_t number = 0;
        for (std::size_t at = 0; at < text.size();)
        {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            std::string line(Orvel::Trimmed(text.substr(at, end - at)));
            at = end + 1;
            ++number;
            if (line.empty() || line.starts_with('#'))
                continue;
            const bool active = line.starts_with('*');
            if (active)
                line = std::string(Orvel::Trimmed(std::string_view(line).substr(1)));
            if (!line.empty())
                lines.push_back({number, std::move(line), active});
        }
        return lines;
    }

    std::uint32_t LoadedPlugin::RunTimeId(std::uint32_t inFileId) const noexcept
    {
        if (Light)
            return 0xFE000000u | (Index & 0xFFFu) << 12 | (inFileId & 0xFFFu);
        return (Index & 0xFFu) << 24 | (inFileId & 0xFFFFFFu);
    }

    LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt)
    {
        std::vector<Listed> listed;
        for (const auto name : BaseMasters)
            listed.push_back({std::string(name), false, false});
        if (const auto ccc = GameFolder::Find(game.Folder(), "Skyrim.ccc"))
        {
            std::istringstream lines(ReadText(*ccc));
            for (std::string line; std::getline(lines, line);)
                if (const std::string name(Orvel::Trimmed(line)); !name.empty())
                    listed.push_back({name, false, true});
        }
        if (pluginsTxt != nullptr)
            for (const auto& line : *pluginsTxt)
                if (line.Active)
                    listed.push_back({line.Name, true, false});

        LoadOrder order;
        std::vector<LoadedPlugin> fromPluginsTxt;
        for (const auto& plugin : listed)
        {
            const std::string shown = Cp1252ToUtf8(plugin.Name);
            const auto seen = [&](const LoadedPlugin& other) { return EqualIgnoringCase(other.Name, plugin.Name); };
            if (std::ranges::any_of(order.Plugins, seen) || std::ranges::any_of(fromPluginsTxt, seen))
                continue;
            const auto path = game.FindData(plugin.Name);
            std::error_code statusError;
            if (!path || !std::filesystem::is_regular_file(*path, statusError))
            {
                if (!plugin.Optional)
                    order.Problems.push_back(
                        {"missing-plugin", fmt::format("{} is {} but not in Data: the game does not load it", shown,
                                                       plugin.FromPluginsTxt ? "active in Plugins.txt"
                                                                             : "one of the base game's masters")});
                continue;
            }
            LoadedPlugin loaded{plugin.Name,
                                *path,
                                std::nullopt,
                                HasExtension(plugin.Name, ".esm"),
                                HasExtension(plugin.Name, ".esl"),
                                0};
            loaded.Master = loaded.Master || loaded.Light;
            try
            {
                loaded.File = ReadPluginFile(*path, shown);
                loaded.Master = loaded.Master || loaded.File->Header.IsMaster();
                loaded.Light = loaded.Light || loaded.File->Header.IsLight();
            }
            catch (const PluginFileError& error)
            {
                order.Problems.push_back(
                    {"damaged-plugin", fmt::format("{}: its worldspaces are not listed", error.what())});
            }
            (plugin.FromPluginsTxt ? fromPluginsTxt : order.Plugins).push_back(std::move(loaded));
        }
        // Plugins.txt's masters load before its other plugins, each kind in the file's order.
        std::ranges::stable_partition(fromPluginsTxt, &LoadedPlugin::Master);
        std::ranges::move(fromPluginsTxt, std::back_inserter(order.Plugins));

        std::uint32_t full = 0;
        std::uint32_t light = 0;
        for (auto& plugin : order.Plugins)
            plugin.Index = plugin.Light ? light++ : full++;
        // Full plugins take the top bytes 00 to FD, light plugins the 4096 places of FE.
        if (full > 0xFE || light > 0x1000)
            order.Problems.push_back(
                {"too-many-plugins", fmt::format("{} full and {} light plugins are active, more than the game loads "
                                                 "(254 and 4096): the form IDs of the last ones are not what they "
                                                 "seem here",
                                                 full, light)});

        // Every master must load before the plugin that names it, or the game does not start.
        for (std::size_t i = 0; i < order.Plugins.size(); ++i)
        {
            const auto& plugin = order.Plugins[i];
            if (!plugin.File)
                continue;
            for (const auto& master : plugin.File->Header.Masters)
                if (std::none_of(order.Plugins.begin(), order.Plugins.begin() + static_cast<std::ptrdiff_t>(i),
                                 [&](const LoadedPlugin& other) { return EqualIgnoringCase(other.Name, master); }))
                    order.Problems.push_back(
                        {"missing-master",
                         fmt::format("{} needs {}, which does not load before it: the game does not start so",
                                     Cp1252ToUtf8(plugin.Name), Cp1252ToUtf8(master))});
        }
        return order;
    }
} // namespace GameData
