#pragma once
// The weathers, climates and regions of a load order as the game sees them, and what they tell of
// the weathers each worldspace can show: those of its climate (its parent's, when it takes its
// parent's) and those of every weather region of that worldspace. A region's priority and override
// flag decide where it applies, not whether it can. Quests and scripts force further weathers that no
// reading of the records finds.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>
#include "GameData/LoadOrder.h"
#include "GameData/Problems.h"
#include "GameData/WeatherRecords.h"

namespace GameData
{
    // What every record of the load order has: its run-time form ID (FormId.h), the editor ID of the
    // last plugin that carries it, and the plugin that adds it.
    struct GameRecord
    {
        std::uint32_t FormId = 0;
        std::string EditorId; // UTF-8 (from code page 1252)
        std::string Plugin;   // UTF-8 file name of the plugin that adds it
        bool Light = false;   // added by a light plugin: its ID moves with the load order
    };

    struct Weather : GameRecord
    {
        std::uint8_t Classification = 0; // DATA's flags (PleasantWeather, ...); 0 without DATA
    };

    struct Climate : GameRecord
    {
        std::vector<WeatherChance> Weathers; // run-time form IDs, in WLST's order
    };

    struct Region : GameRecord
    {
        std::optional<std::uint32_t> Worldspace; // run-time form ID of its WNAM
        std::vector<RegionWeathers> Entries;     // run-time form IDs
    };

    // A weather a worldspace can show, and where it comes from.
    struct PossibleWeather
    {
        std::uint32_t Weather = 0;           // run-time form ID of a weather of the load order
        std::optional<std::uint32_t> Region; // run-time form ID of the region that names it; nothing: its climate
    };

    struct WorldspaceSky : GameRecord
    {
        std::optional<std::uint32_t> Parent;  // WNAM, run-time
        std::optional<std::uint32_t> Climate; // CNAM, run-time
        std::uint16_t ParentUse = 0;          // PNAM (ParentClimateFlag)
        std::uint8_t WorldFlags = 0;          // DATA (NoSkyFlag, FixedDimensionsFlag)

        // The climate in force: its parent's in force when it takes its parent's (and has a parent), else
        // its own; nothing when it has none.
        std::optional<std::uint32_t> ClimateInForce;
        // Of the weathers of the load order, those that the climate in force (in WLST's order) and then
        // the weather regions of this worldspace (in load order, each region's entries in file order)
        // name, each pair of weather and source once. Entries that name no weather of the load order
        // (a form that is no weather, deleted or not loaded) are left out.
        std::vector<PossibleWeather> Weathers;

        // Whether it shows the sky at all: a world without one (NoSkyFlag), or of fixed dimensions,
        // which renderers treat as an interior, shows no weather's sky.
        [[nodiscard]] bool ShowsSky() const noexcept { return (WorldFlags & (NoSkyFlag | FixedDimensionsFlag)) == 0; }
    };

    // Each list in load order of the plugins that add its records, then file order; deleted records
    // left out.
    struct GameWeathers
    {
        std::vector<Weather> Weathers;
        std::vector<Climate> Climates;
        std::vector<Region> Regions;
        std::vector<WorldspaceSky> Worldspaces;
        // Records of a light plugin outside the range of its IDs, left out (LightIdOutOfRange): weathers,
        // climates and regions; its worldspaces' are ListWorldspaces' to tell.
        std::vector<Problem> Problems;
    };

    // The weathers, climates, regions and worldspaces of `order`: each record resolved through its
    // plugin's masters to the plugin that adds it, the last plugin that carries it supplying all of
    // it, the form IDs inside it resolved through that plugin's masters (those whose master is not
    // loaded, or that get no run-time ID, left out); none of a plugin without a number, nor records
    // that get no form ID (RunTimeFormId). Throws std::bad_alloc only.
    [[nodiscard]] GameWeathers ListWeathers(const LoadOrder& order);

    // The names of the classification flags set in `classification`, from "pleasant", "cloudy",
    // "rainy" and "snow", in that order.
    [[nodiscard]] std::vector<std::string> ClassificationNames(std::uint8_t classification);
} // namespace GameData
