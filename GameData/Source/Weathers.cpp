#include "GameData/Weathers.h"

#include <array>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include "GameData/FormId.h"
#include "GameData/PluginFile.h"
#include "GameData/Text.h"
#include "Detail/LightRange.h"

namespace GameData
{
    namespace
    {
        // The records of one kind across the load order, by run-time form ID: the first plugin that
        // carries one places it, each later one replaces all of it.
        template <typename Out>
        class Merged
        {
        public:
            explicit Merged(std::vector<Out>& out) : m_out(out) {}

            // The record `record`, of the plugin whose form IDs `formIds` resolves, as the game sees it: to
            // be filled in whole; null when it gets no form ID (`outOfRange` counts a light plugin's).
            Out* Take(const KeptRecord& record, const FormIdResolver& formIds, Detail::LightRangeCounter& outOfRange)
            {
                const LoadedPlugin* adder = formIds.Owner(record.FormId);
                if (adder == nullptr)
                    return nullptr; // its master is not loaded: ReadLoadOrder reported that
                const auto formId = outOfRange.FormId(*adder, record.FormId);
                if (!formId)
                    return nullptr;
                const auto [at, fresh] = m_byFormId.try_emplace(*formId, m_out.size());
                if (fresh)
                {
                    m_out.emplace_back();
                    m_deleted.push_back(false);
                }
                m_deleted[at->second] = (record.Flags & DeletedFlag) != 0;
                Out& out = m_out[at->second] = Out{};
                out.FormId = *formId;
                out.EditorId = Cp1252ToUtf8(record.EditorId);
                out.Plugin = Cp1252ToUtf8(adder->Name);
                out.Light = adder->Light;
                return &out;
            }

            // Leaves the deleted records out.
            void Finish()
            {
                std::size_t kept = 0;
                for (std::size_t i = 0; i < m_out.size(); ++i)
                    if (!m_deleted[i] && kept++ != i)
                        m_out[kept - 1] = std::move(m_out[i]);
                m_out.resize(kept);
            }

        private:
            std::vector<Out>& m_out;
            std::vector<bool> m_deleted;
            std::unordered_map<std::uint32_t, std::size_t> m_byFormId;
        };

        // The entries with their weathers resolved; those that resolve to no form left out.
        std::vector<WeatherChance> Resolved(const std::vector<WeatherChance>& entries, const FormIdResolver& formIds)
        {
            std::vector<WeatherChance> resolved;
            resolved.reserve(entries.size());
            for (const auto& entry : entries)
                if (const auto weather = formIds.RunTime(entry.Weather))
                    resolved.push_back({*weather, entry.Chance});
            return resolved;
        }

        std::optional<std::uint32_t> Resolved(const std::optional<std::uint32_t>& formId, const FormIdResolver& formIds)
        {
            return formId ? formIds.RunTime(*formId) : std::nullopt;
        }

        // The climate in force of each worldspace: up its parents while each takes its parent's climate.
        // Each worldspace's is found once, so that a long chain of parents costs its length: the walk
        // stops at a worldspace already found, and a cycle of parents ends where it meets itself.
        void FindClimatesInForce(std::vector<WorldspaceSky>& worlds)
        {
            std::unordered_map<std::uint32_t, std::size_t> byFormId;
            for (std::size_t i = 0; i < worlds.size(); ++i)
                byFormId.emplace(worlds[i].FormId, i);
            enum class State : std::uint8_t
            {
                Unknown,
                OnPath,
                Found
            };
            std::vector<State> states(worlds.size(), State::Unknown);
            std::vector<std::size_t> path;
            for (std::size_t i = 0; i < worlds.size(); ++i)
            {
                path.clear();
                std::size_t at = i;
                while (states[at] == State::Unknown)
                {
                    states[at] = State::OnPath;
                    path.push_back(at);
                    const WorldspaceSky& world = worlds[at];
                    const auto parent = (world.ParentUse & ParentClimateFlag) != 0 && world.Parent
                                            ? byFormId.find(*world.Parent)
                                            : byFormId.end();
                    if (parent == byFormId.end())
                        break;
                    at = parent->second;
                }
                if (path.empty())
                    continue;
                // A worldspace found before gives its climate in force; else the walk ended at one that
                // takes no climate from a parent, or that closes a cycle: its own.
                const auto climate =
                    states[at] == State::Found ? worlds[at].ClimateInForce : worlds[path.back()].Climate;
                for (const std::size_t on : path)
                {
                    worlds[on].ClimateInForce = climate;
                    states[on] = State::Found;
                }
            }
        }

        // What the records tell of each worldspace's weathers, once every record is merged.
        void FindPossibleWeathers(GameWeathers& game)
        {
            FindClimatesInForce(game.Worldspaces);
            std::unordered_set<std::uint32_t> weathers;
            for (const auto& weather : game.Weathers)
                weathers.insert(weather.FormId);
            std::unordered_map<std::uint32_t, const Climate*> climates;
            for (const auto& climate : game.Climates)
                climates.emplace(climate.FormId, &climate);
            std::unordered_map<std::uint32_t, WorldspaceSky*> worlds;
            for (auto& world : game.Worldspaces)
                worlds.emplace(world.FormId, &world);

            // The weathers of one source: a source is added to a worldspace once, so a pair of weather and
            // source can repeat only within it.
            const auto add = [&weathers](WorldspaceSky& world, const std::vector<WeatherChance>& entries,
                                         std::optional<std::uint32_t> source) {
                std::unordered_set<std::uint32_t> added;
                for (const auto& entry : entries)
                    if (weathers.contains(entry.Weather) && added.insert(entry.Weather).second)
                        world.Weathers.push_back({entry.Weather, source});
            };
            for (auto& world : game.Worldspaces)
                if (world.ClimateInForce)
                    if (const auto climate = climates.find(*world.ClimateInForce); climate != climates.end())
                        add(world, climate->second->Weathers, std::nullopt);
            for (const auto& region : game.Regions)
                if (const auto world = region.Worldspace ? worlds.find(*region.Worldspace) : worlds.end();
                    world != worlds.end())
                {
                    std::vector<WeatherChance> entries;
                    for (const auto& entry : region.Entries)
                        entries.insert(entries.end(), entry.Weathers.begin(), entry.Weathers.end());
                    add(*world->second, entries, region.FormId);
                }
        }
    } // namespace

    GameWeathers ListWeathers(const LoadOrder& order)
    {
        GameWeathers game;
        Merged<Weather> weathers(game.Weathers);
        Merged<Climate> climates(game.Climates);
        Merged<Region> regions(game.Regions);
        Merged<WorldspaceSky> worlds(game.Worldspaces);
        for (const auto& plugin : order.Plugins)
        {
            // Past the game's limits a plugin gets no form ID: CheckLoadOrder names it.
            if (!plugin.File || !plugin.Index)
                continue;
            const FormIdResolver formIds(order, plugin);
            const PluginFile& file = *plugin.File;
            // A light plugin's records outside its range are told here, its worldspaces by ListWorldspaces.
            Detail::LightRangeCounter weathersOut(plugin, "weather"), climatesOut(plugin, "climate"),
                regionsOut(plugin, "region"), worldsOut(plugin, "worldspace");
            for (const auto& record : file.Weathers)
                if (auto* weather = weathers.Take(record, formIds, weathersOut))
                    weather->Classification = record.Classification.value_or(0);
            for (const auto& record : file.Climates)
                if (auto* climate = climates.Take(record, formIds, climatesOut))
                    climate->Weathers = Resolved(record.Weathers, formIds);
            for (const auto& record : file.Regions)
                if (auto* region = regions.Take(record, formIds, regionsOut))
                {
                    region->Worldspace = Resolved(record.Worldspace, formIds);
                    for (const auto& entry : record.Entries)
                        region->Entries.push_back({entry.Flags, entry.Priority, Resolved(entry.Weathers, formIds)});
                }
            for (const auto& record : file.Worldspaces)
                if (auto* world = worlds.Take(record, formIds, worldsOut))
                {
                    world->Parent = Resolved(record.Parent, formIds);
                    world->Climate = Resolved(record.Climate, formIds);
                    world->ParentUse = record.ParentUse.value_or(0);
                    world->WorldFlags = record.WorldFlags.value_or(0);
                }
            for (auto* counted : {&weathersOut, &climatesOut, &regionsOut})
                counted->Report(game.Problems);
        }
        weathers.Finish();
        climates.Finish();
        regions.Finish();
        worlds.Finish();
        FindPossibleWeathers(game);
        return game;
    }

    std::vector<std::string> ClassificationNames(std::uint8_t classification)
    {
        constexpr std::array<std::pair<std::uint8_t, std::string_view>, 4> Names = {
            {{PleasantWeather, "pleasant"}, {CloudyWeather, "cloudy"}, {RainyWeather, "rainy"}, {SnowWeather, "snow"}}};
        std::vector<std::string> names;
        for (const auto& [flag, name] : Names)
            if ((classification & flag) != 0)
                names.emplace_back(name);
        return names;
    }
} // namespace GameData
