#include "GameData/LoadOrder.h"

#include <algorithm>
#include <sstream>
#include "GameData/FormId.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
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

        // The names of Skyrim.ccc, one a line; none when it is not there or cannot be read.
        std::vector<std::string> CccNames(const GameFolder& game)
        {
            std::vector<std::string> names;
            const auto ccc = GameFolder::Find(game.Folder(), "Skyrim.ccc");
            std::string text;
            try
            {
                text = ccc ? ReadWholeFile(*ccc) : "";
            }
            catch (const FileReadError&)
            {
            }
            std::istringstream lines(text);
            for (std::string line; std::getline(lines, line);)
                if (std::string name(Orvel::Trimmed(line)); !name.empty())
                    names.push_back(std::move(name));
            return names;
        }

        // A listed plugin read from Data; nothing, with the problem, when it is missing or listed before.
        std::optional<LoadedPlugin> Load(const GameFolder& game, const ListedPlugin& plugin,
                                         std::vector<Problem>& problems)
        {
            const std::string shown = Cp1252ToUtf8(plugin.Name);
            const auto path = game.FindData(plugin.Name);
            std::error_code statusError;
            if (!path || !std::filesystem::is_regular_file(*path, statusError))
            {
                if (plugin.Source != PluginSource::Ccc)
                    problems.emplace_back(MissingPlugin{shown, plugin.Source});
                return std::nullopt;
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
                problems.emplace_back(DamagedPlugin{shown, error.what()});
            }
            return loaded;
        }
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

    std::vector<ListedPlugin> ListPlugins(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt)
    {
        std::vector<ListedPlugin> listed;
        for (const auto name : BaseMasters)
            listed.push_back({std::string(name), PluginSource::BaseGame});
        for (auto& name : CccNames(game))
            listed.push_back({std::move(name), PluginSource::Ccc});
        if (pluginsTxt != nullptr)
            for (const auto& line : *pluginsTxt)
                if (line.Active)
                    listed.push_back({line.Name, PluginSource::PluginsTxt});
        return listed;
    }

    LoadOrder OrderPlugins(const GameFolder& game, const std::vector<ListedPlugin>& listed)
    {
        LoadOrder order;
        std::vector<LoadedPlugin> fromPluginsTxt;
        for (const auto& plugin : listed)
        {
            const auto seen = [&](const LoadedPlugin& other) { return EqualIgnoringCase(other.Name, plugin.Name); };
            if (std::ranges::any_of(order.Plugins, seen) || std::ranges::any_of(fromPluginsTxt, seen))
                continue;
            if (auto loaded = Load(game, plugin, order.Problems))
                (plugin.Source == PluginSource::PluginsTxt ? fromPluginsTxt : order.Plugins)
                    .push_back(std::move(*loaded));
        }
        // Plugins.txt's masters load before its other plugins, each kind in the file's order.
        std::ranges::stable_partition(fromPluginsTxt, &LoadedPlugin::Master);
        std::ranges::move(fromPluginsTxt, std::back_inserter(order.Plugins));
        NumberPlugins(order.Plugins);
        return order;
    }

    std::vector<Problem> CheckLoadOrder(const LoadOrder& order)
    {
        std::vector<Problem> problems;
        const auto light = static_cast<std::uint32_t>(std::ranges::count(order.Plugins, true, &LoadedPlugin::Light));
        const auto full = static_cast<std::uint32_t>(order.Plugins.size()) - light;
        if (full > MaximumFullPlugins || light > MaximumLightPlugins)
            problems.emplace_back(TooManyPlugins{full, light});

        // Every master must load before the plugin that names it, or the game does not start.
        for (std::size_t i = 0; i < order.Plugins.size(); ++i)
        {
            const auto& plugin = order.Plugins[i];
            if (!plugin.File)
                continue;
            for (const auto& master : plugin.File->Header.Masters)
                if (std::none_of(order.Plugins.begin(), order.Plugins.begin() + static_cast<std::ptrdiff_t>(i),
                                 [&](const LoadedPlugin& other) { return EqualIgnoringCase(other.Name, master); }))
                    problems.emplace_back(MissingMaster{Cp1252ToUtf8(plugin.Name), Cp1252ToUtf8(master)});
        }
        return problems;
    }

    LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt)
    {
        LoadOrder order = OrderPlugins(game, ListPlugins(game, pluginsTxt));
        std::ranges::move(CheckLoadOrder(order), std::back_inserter(order.Problems));
        return order;
    }
} // namespace GameData
