#include "GameData/Worldspaces.h"

#include <algorithm>
#include <map>
#include <unordered_map>
#include "GameData/Budgets.h"
#include "GameData/FormId.h"
#include "GameData/StringTable.h"
#include "GameData/Text.h"
#include "Detail/LightRange.h"

namespace GameData
{
    namespace
    {
        // The string tables of localized plugins, each read once, for the IDs its worldspaces name,
        // all of them within the run's budget of bytes read.
        class Strings
        {
        public:
            Strings(const GameFolder& game, std::vector<Problem>& problems) : m_game(game), m_problems(problems) {}

            // The text of `id` in the table of `plugin`; nothing when the table or the ID is not there.
            std::optional<std::string> Find(const LoadedPlugin& plugin, std::uint32_t id)
            {
                auto [table, fresh] = m_tables.try_emplace(plugin.Name);
                if (fresh)
                    table->second.Table = Load(plugin, table->second);
                if (!table->second.Table)
                    return std::nullopt;
                const auto text = table->second.Table->Find(id);
                // A damaged string is reported as such, not as missing too.
                if (!text && !table->second.Table->IsDamaged(id) && table->second.Missing++ == 0)
                    table->second.FirstMissing = id;
                return text ? std::optional(Cp1252ToUtf8(*text)) : std::nullopt;
            }

            // What was not found, once all names are asked for.
            void Report(const std::string& language)
            {
                TablesNotLoose notLoose{{}, language};
                for (const auto& [plugin, table] : m_tables)
                    if (table.Missing > 0)
                        m_problems.emplace_back(MissingStrings{table.File, table.Missing, table.FirstMissing});
                for (const auto& plugin : m_notLoose)
                    notLoose.Plugins.push_back(Cp1252ToUtf8(plugin));
                if (!notLoose.Plugins.empty())
                    m_problems.emplace_back(std::move(notLoose));
            }

        private:
            struct Loaded
            {
                std::optional<StringTable> Table;
                std::string File; // UTF-8, as Strings/<plugin>_<language>.STRINGS
                std::size_t Missing = 0;
                std::uint32_t FirstMissing = 0;
            };

            std::optional<StringTable> Load(const LoadedPlugin& plugin, Loaded& loaded)
            {
                const std::string_view name = plugin.Name;
                const std::string stem(name.substr(0, name.rfind('.')));
                const std::string file = "Strings/" + stem + "_" + m_game.Language() + ".STRINGS";
                loaded.File = Cp1252ToUtf8(file);
                const auto path = m_game.FindData(file);
                if (!path)
                {
                    // The base game's are inside its archives, which every list of its names says.
                    if (std::ranges::find(BaseMasters, name) == BaseMasters.end())
                        m_notLoose.push_back(plugin.Name);
                    return std::nullopt;
                }
                std::vector<std::uint32_t> wanted;
                for (const auto& record : plugin.File->Worldspaces)
                    if (record.FullStringId)
                        wanted.push_back(*record.FullStringId);
                try
                {
                    auto table = StringTable::Read(*path, loaded.File, wanted, {m_left, PluginBudget.NameBytes});
                    m_left -= std::min(m_left, table.BytesRead());
                    if (!table.Damaged().empty())
                        m_problems.emplace_back(
                            DamagedStrings{loaded.File, table.Damaged().front().what(), table.DamagedCount() - 1});
                    return table;
                }
                catch (const StringTableError& error)
                {
                    m_problems.emplace_back(DamagedStrings{loaded.File, error.what()});
                    return std::nullopt;
                }
            }

            const GameFolder& m_game;
            std::vector<Problem>& m_problems;
            std::map<std::string, Loaded> m_tables; // by plugin name as listed
            std::vector<std::string> m_notLoose;    // plugin names, code page 1252, in load order
            std::uint64_t m_left = StringTableBudget;
        };
    } // namespace

    WorldspaceList ListWorldspaces(const GameFolder& game, const LoadOrder& order)
    {
        WorldspaceList list;
        Strings strings(game, list.Problems);
        std::size_t records = 0;
        for (const auto& plugin : order.Plugins)
            records += plugin.File ? plugin.File->Worldspaces.size() : 0;
        list.Worldspaces.reserve(records);
        std::vector<bool> deleted;
        deleted.reserve(records);
        std::unordered_map<std::uint32_t, std::size_t> byFormId;
        byFormId.reserve(records);

        for (const auto& plugin : order.Plugins)
        {
            // Past the game's limits a plugin gets no form ID: CheckLoadOrder names it.
            if (!plugin.File || !plugin.Index)
                continue;
            const FormIdResolver formIds(order, plugin);
            const std::string pluginName = Cp1252ToUtf8(plugin.Name);
            Detail::LightRangeCounter outOfRange(plugin, "worldspace");
            for (const auto& record : plugin.File->Worldspaces)
            {
                const LoadedPlugin* adder = formIds.Owner(record.FormId);
                if (adder == nullptr)
                    continue; // its master is not loaded: ReadLoadOrder reported that
                const auto formId = outOfRange.FormId(*adder, record.FormId);
                if (!formId)
                    continue;
                auto [at, fresh] = byFormId.try_emplace(*formId, list.Worldspaces.size());
                if (fresh)
                {
                    list.Worldspaces.push_back({*formId, {}, {}, Cp1252ToUtf8(adder->Name), {}, adder->Light, {}});
                    deleted.push_back(false);
                }
                Worldspace& shown = list.Worldspaces[at->second];
                // This plugin loads after every earlier one that carries the record: its version wins.
                deleted[at->second] = (record.Flags & DeletedFlag) != 0;
                shown.EditorId = Cp1252ToUtf8(record.EditorId);
                shown.NamedBy = pluginName;
                if (record.FullText)
                    shown.Name = Cp1252ToUtf8(*record.FullText);
                else if (record.FullStringId)
                    shown.Name = strings.Find(plugin, *record.FullStringId);
                else
                    shown.Name.reset();
                shown.Parent.reset();
                if (record.Parent)
                    shown.Parent = formIds.RunTime(*record.Parent);
            }
            outOfRange.Report(list.Problems);
        }
        strings.Report(game.Language());
        std::size_t kept = 0;
        for (std::size_t i = 0; i < list.Worldspaces.size(); ++i)
            if (!deleted[i] && kept++ != i)
                list.Worldspaces[kept - 1] = std::move(list.Worldspaces[i]);
        list.Worldspaces.resize(kept);
        return list;
    }
} // namespace GameData
