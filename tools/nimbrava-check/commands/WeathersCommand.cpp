// --weathers: every weather of the player's load order, with the ID a weather list lists it by, and
// for each worldspace its climate and the weathers its climate and weather regions can pick.

#include <fmt/format.h>
#include <unordered_map>
#include "Choice/WeatherlistChoice.h"
#include "GameData/Text.h"
#include "checks/WeatherCoverage.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"
#include "commands/Reports.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        // The climates and the worldspaces of the load order by form ID.
        struct Lookup
        {
            explicit Lookup(const InstalledGame& game)
            {
                for (const auto& climate : game.Weathers.Climates)
                    Climates.emplace(climate.FormId, &climate);
                for (const auto& worldspace : game.Worldspaces.Worldspaces)
                    Worldspaces.emplace(worldspace.FormId, &worldspace);
            }

            // The editor ID of the climate in force; nothing when there is none or no such climate.
            [[nodiscard]] const GameData::Climate* ClimateOf(const GameData::WorldspaceSky& sky) const
            {
                const auto found = sky.ClimateInForce ? Climates.find(*sky.ClimateInForce) : Climates.end();
                return found == Climates.end() ? nullptr : found->second;
            }

            std::unordered_map<std::uint32_t, const GameData::Climate*> Climates;
            std::unordered_map<std::uint32_t, const GameData::Worldspace*> Worldspaces;
        };

        // "climate SkyrimClimate (its parent's)", "no climate", ...
        std::string ClimateText(const GameData::WorldspaceSky& sky, const Lookup& lookup)
        {
            if (!sky.ClimateInForce)
                return "no climate";
            const auto* climate = lookup.ClimateOf(sky);
            // A parent that is not in the load order gives none: the worldspace keeps its own.
            const bool parents = (sky.ParentUse & GameData::ParentClimateFlag) != 0 && sky.Parent &&
                                 lookup.Worldspaces.contains(*sky.Parent);
            return fmt::format("climate {}{}",
                               climate != nullptr
                                   ? PrintableText(climate->EditorId)
                                   : fmt::format("{:08X} (no climate of the load order)", *sky.ClimateInForce),
                               parents ? " (its parent's)" : "");
        }

        void WriteText(const InstalledGame& game, std::ostream& out)
        {
            const Lookup lookup(game);
            const WeatherNames names(game.Weathers);
            out << fmt::format("Weathers of the load order of {}{}:\n", GameData::Utf8Text(game.Folder.Folder()),
                               game.PluginsTxt ? " (" + GameData::Utf8Text(*game.PluginsTxt) + ")" : "");
            out << fmt::format("  {:<7}  {:<8}  {:<28}  {:<14}  {}\n", "ID", "form ID", "editor ID", "classification",
                               "plugin");
            for (const auto& weather : game.Weathers.Weathers)
                out << fmt::format("  {:<7}  {:08X}  {:<28}  {:<14}  {}{}\n", ListedId(weather.FormId), weather.FormId,
                                   PrintableText(weather.EditorId), ClassificationText(weather.Classification),
                                   PrintableText(weather.Plugin),
                                   weather.Light ? "  (light: the ID moves with the load order)" : "");
            if (game.Weathers.Weathers.empty())
                out << "  (none)\n";
            out << "The weathers each worldspace can show, from its climate and its weather regions:\n";
            for (const auto& sky : game.Weathers.Worldspaces)
            {
                const auto worldspace = lookup.Worldspaces.find(sky.FormId);
                out << fmt::format("  {:<7X}  {}: {}{}\n", Nimbrava::MaskWorldspaceId(sky.FormId),
                                   worldspace != lookup.Worldspaces.end() ? Describe(*worldspace->second)
                                                                          : PrintableText(sky.EditorId),
                                   ClimateText(sky, lookup),
                                   sky.ShowsSky() ? "" : "; no sky of its own: its weathers show none there");
                // Each weather once, with everything that names it.
                for (const auto& each : Coverage(sky, {}, names))
                    out << fmt::format("      {:<7}  {:<28}  {:<14}  {}\n", ListedId(each.Weather->FormId),
                                       PrintableText(each.Weather->EditorId),
                                       ClassificationText(each.Weather->Classification), names.Sources(each.Sources));
            }
            if (game.Weathers.Worldspaces.empty())
                out << "  (none)\n";
            out << "Note: " << Word<Code::ForcedWeathers>() << "\n";
            for (const auto& finding : game.Problems)
                if (!finding.IsProblem())
                    out << "Note: " << finding.Text << "\n";
            WriteFindings(out, Problems(game.Problems), {.Place = false});
        }

        Json WeatherJson(const GameData::Weather& weather)
        {
            return {{"id", ListedId(weather.FormId)},
                    {"form_id", fmt::format("{:08X}", weather.FormId)},
                    {"editor_id", weather.EditorId},
                    {"classification", GameData::ClassificationNames(weather.Classification)},
                    {"plugin", weather.Plugin},
                    {"light", weather.Light}};
        }

        Json WorldspaceJson(const GameData::WorldspaceSky& sky, const Lookup& lookup, const WeatherNames& names)
        {
            const auto* climate = lookup.ClimateOf(sky);
            Json weathers = Json::array();
            for (const auto& possible : sky.Weathers)
                weathers.push_back({{"id", ListedId(possible.Weather)},
                                    {"editor_id", names.Find(possible.Weather)->EditorId},
                                    {"source", possible.Region ? names.RegionName(*possible.Region) : "climate"}});
            return {{"id", fmt::format("{:X}", Nimbrava::MaskWorldspaceId(sky.FormId))},
                    {"editor_id", sky.EditorId},
                    {"climate", climate != nullptr ? Json(climate->EditorId) : Json()},
                    {"weathers", weathers}};
        }
    } // namespace

    int RunWeathers(const Request& request, const Output& output)
    {
        const auto game = ReadGameFolder(request);
        if (output.Json)
        {
            const Lookup lookup(game);
            const WeatherNames names(game.Weathers);
            Json weathers = Json::array();
            for (const auto& weather : game.Weathers.Weathers)
                weathers.push_back(WeatherJson(weather));
            const auto& worldspaces = game.Weathers.Worldspaces;
            // The worldspaces may be a hundred thousand: written one by one.
            WriteJson(output.Out,
                      {{"weathers", weathers},
                       {"worldspaces", nullptr},
                       {"problems", ListJson(Problems(game.Problems), "text")}},
                      "worldspaces", worldspaces.size(),
                      [&](std::size_t i) { return WorldspaceJson(worldspaces[i], lookup, names); });
        }
        else
            WriteText(game, output.Out);
        return Problems(game.Problems).empty() ? ExitGood : ExitProblems;
    }
} // namespace NimbravaCheck
