#include "GameData/Worldspaces.h"

#include <map>
#include "GameData/FormId.h"
#include "GameData/StringTable.h"
#include "GameData/Text.h"

namespace GameData
{
    namespace
    {
        // The string tables of localized plugins, read once each.
        class Strings
        {
        public:
            Strings(const GameFolder& game, std::vector<Problem>& problems) : m_game(game), m_problems(problems) {}

            // The text of `id` in the table of `plugin`; nothing when the table or the ID is not there.
            std::optional<std::string> Find(const LoadedPlugin& plugin, std::uint32_t id)
            {
                auto [table, fresh] = m_tables.try_emplace(plugin.Name);
                if (fresh)
                    table->second = Load(plugin);
                if (!table->second)
                    return std::nullopt;
                const auto text = table->second->Find(id);
                return text ? std::optional(Cp1252ToUtf8(*text)) : std::nullopt;
            }

        private:
            std::optional<StringTable> Load(const LoadedPlugin& plugin)
            {
                const std::string_view name = plugin.Name;
                const std::string stem(name.substr(0, name.rfind('.')));
                const std::string file = "Strings/" + stem + "_" + m_game.Language() + ".STRINGS";
                const auto path = m_game.FindData(file);
                if (!path)
                    return std::nullopt;
                try
                {
                    return StringTable::Read(*path, Cp1252ToUtf8(file));
                }
                catch (const StringTableError& error)
                {
                    m_problems.emplace_back(DamagedStrings{Cp1252ToUtf8(file), error.what()});
                    return std::nullopt;
                }
            }

            const GameFolder& m_game;
            std::vector<Problem>& m_problems;
            std::map<std::string, std::optional<StringTable>> m_tables;
        };

        struct Entry
        {
            Worldspace Shown;
            bool Deleted = false;
        };
    } // namespace

    WorldspaceList ListWorldspaces(const GameFolder& game, const LoadOrder& order)
    {
        WorldspaceList list;
        Strings strings(game, list.Problems);
        std::vector<Entry> entries;
        std::map<std::uint32_t, std::size_t> byFormId;

        for (const auto& plugin : order.Plugins)
        {
            if (!plugin.File)
                continue;
            const FormIdResolver formIds(order, plugin);
            const std::string pluginName = Cp1252ToUtf8(plugin.Name);
            for (const auto& record : plugin.File->Worldspaces)
            {
                const LoadedPlugin* adder = formIds.Owner(record.FormId);
                if (adder == nullptr)
                    continue; // its master is not loaded: ReadLoadOrder reported that
                const std::uint32_t formId = RunTimeFormId(*adder, record.FormId);
                auto [at, fresh] = byFormId.try_emplace(formId, entries.size());
                if (fresh)
                    entries.push_back({{formId, {}, {}, Cp1252ToUtf8(adder->Name), {}, adder->Light, {}}, false});
                Entry& entry = entries[at->second];
                // This plugin loads after every earlier one that carries the record: its version wins.
                entry.Deleted = (record.Flags & DeletedFlag) != 0;
                entry.Shown.EditorId = Cp1252ToUtf8(record.EditorId);
                entry.Shown.NamedBy = pluginName;
                if (record.FullText)
                    entry.Shown.Name = Cp1252ToUtf8(*record.FullText);
                else if (record.FullStringId)
                    entry.Shown.Name = strings.Find(plugin, *record.FullStringId);
                else
                    entry.Shown.Name.reset();
                entry.Shown.Parent.reset();
                if (record.Parent)
                    entry.Shown.Parent = formIds.RunTime(*record.Parent);
            }
        }
        for (auto& entry : entries)
            if (!entry.Deleted)
                list.Worldspaces.push_back(std::move(entry.Shown));
        return list;
    }
} // namespace GameData
