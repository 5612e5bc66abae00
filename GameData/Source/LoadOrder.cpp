#include "GameData/LoadOrder.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include "GameData/FormId.h"
#include "GameData/NameCase.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "Orvel/Ascii.h"
#include "Orvel/Lines.h"

namespace GameData
{
    namespace
    {
        constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

        // The game loads these files only.
        bool IsPluginName(std::string_view name) noexcept
        {
            return HasExtension(name, ".esp") || HasExtension(name, ".esm") || HasExtension(name, ".esl");
        }

        // The names of Skyrim.ccc, one a line; none when it is not there or cannot be read (a problem).
        std::vector<std::string> CccNames(const GameFolder& game, std::vector<Problem>& problems)
        {
            std::vector<std::string> names;
            const auto ccc = GameFolder::Find(game.Folder(), "Skyrim.ccc");
            std::string text;
            try
            {
                text = ccc ? ReadWholeFile(*ccc, MaximumGameTextSize) : "";
            }
            catch (const FileReadError& error)
            {
                problems.emplace_back(UnreadGameFile{Utf8Text(*ccc), error.what(), UnreadGameFile::Role::Ccc});
            }
            for (const std::string_view line : Orvel::Lines(text))
                if (std::string name(Orvel::Trimmed(line)); IsPluginName(name))
                    names.push_back(std::move(name));
            return names;
        }

        // A listed plugin read from Data; nothing, with the problem, when it is missing.
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
            LoadedPlugin loaded{
                plugin.Name, *path, std::nullopt, HasExtension(plugin.Name, ".esm"), HasExtension(plugin.Name, ".esl"),
                std::nullopt};
            loaded.Master = loaded.Master || loaded.Light;
            try
            {
                loaded.File = ReadPluginFile(*path, shown);
                loaded.Master = loaded.Master || loaded.File->Header.IsMaster();
                loaded.Light = loaded.Light || loaded.File->Header.IsLight();
                const auto& file = *loaded.File;
                if (file.DamagedRecordCount > 0)
                {
                    DamagedRecords damaged{shown, {}, file.DamagedRecordCount};
                    for (const auto& error : file.DamagedRecords)
                        damaged.Errors.emplace_back(error.what());
                    problems.emplace_back(std::move(damaged));
                }
            }
            catch (const PluginFileError& error)
            {
                problems.emplace_back(DamagedPlugin{shown, error.what()});
            }
            return loaded;
        }

        // `head` (loaded in its order), then `tail`, the non-masters of Plugins.txt in its order; but a
        // non-master of the tail that a master needs as its master goes just before the earliest
        // master that needs it, after the plugin before that master.
        std::vector<LoadedPlugin> HoistNeededNonMasters(std::vector<LoadedPlugin> head, std::vector<LoadedPlugin> tail)
        {
            std::unordered_map<std::u16string, std::size_t> inTail;
            for (std::size_t i = 0; i < tail.size(); ++i)
                inTail.try_emplace(NameKey(tail[i].Name), i);
            std::vector<bool> placed(tail.size(), false);
            std::vector<LoadedPlugin> order;
            order.reserve(head.size() + tail.size());
            for (auto& plugin : head)
            {
                if (plugin.Master && plugin.File)
                {
                    std::vector<std::size_t> needed;
                    for (const auto& master : plugin.File->Header.Masters)
                        if (const auto found = inTail.find(NameKey(master));
                            found != inTail.end() && !placed[found->second])
                        {
                            placed[found->second] = true;
                            needed.push_back(found->second);
                        }
                    // Several before one master keep the order of Plugins.txt.
                    std::ranges::sort(needed);
                    for (const std::size_t i : needed)
                        order.push_back(std::move(tail[i]));
                }
                order.push_back(std::move(plugin));
            }
            for (std::size_t i = 0; i < tail.size(); ++i)
                if (!placed[i])
                    order.push_back(std::move(tail[i]));
            return order;
        }
    } // namespace

    std::vector<PluginsTxtLine> ParsePluginsTxt(std::string_view text)
    {
        std::vector<PluginsTxtLine> lines;
        std::size_t number = 0;
        for (const std::string_view raw : Orvel::Lines(text))
        {
            std::string line(Orvel::Trimmed(raw));
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

    PluginList ListPlugins(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt)
    {
        PluginList list;
        for (const auto name : BaseMasters)
            list.Plugins.push_back({std::string(name), PluginSource::BaseGame});
        for (auto& name : CccNames(game, list.Problems))
            list.Plugins.push_back({std::move(name), PluginSource::Ccc});
        if (pluginsTxt == nullptr)
            return list;
        for (const auto& line : *pluginsTxt)
        {
            const std::string_view name = line.Name;
            if (line.Line == 1 && name.starts_with(ByteOrderMark) && name.substr(ByteOrderMark.size()).starts_with('*'))
                list.Problems.emplace_back(
                    PluginsTxtMark{Cp1252ToUtf8(Orvel::Trimmed(name.substr(ByteOrderMark.size() + 1)))});
            if (!line.Active)
                continue;
            if (IsPluginName(name))
                list.Plugins.push_back({line.Name, PluginSource::PluginsTxt});
            else
                list.Problems.emplace_back(NotAPlugin{Cp1252ToUtf8(name), line.Line});
        }
        return list;
    }

    LoadOrder OrderPlugins(const GameFolder& game, const std::vector<ListedPlugin>& listed)
    {
        LoadOrder order;
        std::vector<LoadedPlugin> fromPluginsTxt;
        std::unordered_map<std::u16string, bool> seen;
        for (const auto& plugin : listed)
        {
            if (!seen.try_emplace(NameKey(plugin.Name), true).second)
                continue;
            if (auto loaded = Load(game, plugin, order.Problems))
                (plugin.Source == PluginSource::PluginsTxt ? fromPluginsTxt : order.Plugins)
                    .push_back(std::move(*loaded));
        }
        // Plugins.txt's masters load before its other plugins, each kind in the file's order.
        const auto nonMasters = std::ranges::stable_partition(fromPluginsTxt, &LoadedPlugin::Master);
        std::vector<LoadedPlugin> tail(std::make_move_iterator(nonMasters.begin()),
                                       std::make_move_iterator(nonMasters.end()));
        fromPluginsTxt.erase(nonMasters.begin(), nonMasters.end());
        std::ranges::move(fromPluginsTxt, std::back_inserter(order.Plugins));
        order.Plugins = HoistNeededNonMasters(std::move(order.Plugins), std::move(tail));
        NumberPlugins(order.Plugins);
        return order;
    }

    std::vector<Problem> CheckLoadOrder(const LoadOrder& order)
    {
        std::vector<Problem> problems;
        const auto light = static_cast<std::uint32_t>(std::ranges::count(order.Plugins, true, &LoadedPlugin::Light));
        const auto full = static_cast<std::uint32_t>(order.Plugins.size()) - light;
        if (full > MaximumFullPlugins || light > MaximumLightPlugins)
        {
            TooManyPlugins tooMany{full, light, {}};
            for (const auto& plugin : order.Plugins)
                if (!plugin.Index)
                    tooMany.Unnumbered.push_back(Cp1252ToUtf8(plugin.Name));
            problems.emplace_back(std::move(tooMany));
        }

        // Every master must load before the plugin that names it, or the game does not start. A master
        // named twice is missing once.
        std::unordered_set<std::u16string> before;
        for (const auto& plugin : order.Plugins)
        {
            std::unordered_set<std::u16string> missing;
            if (plugin.File)
                for (const auto& master : plugin.File->Header.Masters)
                    if (auto key = NameKey(master); !before.contains(key) && missing.insert(std::move(key)).second)
                        problems.emplace_back(MissingMaster{Cp1252ToUtf8(plugin.Name), Cp1252ToUtf8(master)});
            before.insert(NameKey(plugin.Name));
        }
        return problems;
    }

    LoadOrder ReadLoadOrder(const GameFolder& game, const std::vector<PluginsTxtLine>* pluginsTxt)
    {
        PluginList listed = ListPlugins(game, pluginsTxt);
        LoadOrder order = OrderPlugins(game, listed.Plugins);
        order.Problems.insert(order.Problems.begin(), std::make_move_iterator(listed.Problems.begin()),
                              std::make_move_iterator(listed.Problems.end()));
        std::ranges::move(CheckLoadOrder(order), std::back_inserter(order.Problems));
        return order;
    }
} // namespace GameData
