#pragma once
// The weathers of a load order as weather lists name them, and which of the weathers a worldspace can
// show (GameData/Weathers.h) a weather list gives a section.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>
#include "GameData/Weathers.h"
#include "checks/WeatherList.h"

namespace NimbravaCheck
{
    // A weather list as ENB reads it, and where it lies.
    struct CheckedWeatherList
    {
        std::filesystem::path File;
        WeatherListFile List;
    };

    // The list of `lists` that lies at `file` (the same file by another path too); null when none does.
    [[nodiscard]] const CheckedWeatherList* FindWeatherList(const std::vector<CheckedWeatherList>& lists,
                                                            const std::filesystem::path& file);

    // The weather list at `file`, read as ENB reads it. Throws GameData::FileReadError when it cannot be
    // read (or is larger than the game's text files may be, GameData::MaximumGameTextSize);
    // std::bad_alloc.
    [[nodiscard]] CheckedWeatherList ReadCheckedWeatherList(const std::filesystem::path& file);

    // The weathers and regions of a load order by form ID, and the weathers by the ID a list writes.
    class WeatherNames
    {
    public:
        // `game` must outlive the names.
        explicit WeatherNames(const GameData::GameWeathers& game);

        // The weather of the run-time form ID `formId`; null when there is none.
        [[nodiscard]] const GameData::Weather* Find(std::uint32_t formId) const;
        // The weathers whose form IDs mask to `id` (WeatherIdMask), in load order.
        [[nodiscard]] std::vector<const GameData::Weather*> Named(std::uint32_t id) const;
        // Where a weather comes from, for a person: "its climate" (nothing), or "region EDITORID"; several
        // joined by commas.
        [[nodiscard]] std::string Sources(const std::vector<std::optional<std::uint32_t>>& regions) const;
        // The region's editor ID, "" for an unknown one.
        [[nodiscard]] std::string RegionName(std::uint32_t region) const;

    private:
        std::unordered_map<std::uint32_t, const GameData::Weather*> m_weathers;
        std::unordered_multimap<std::uint32_t, const GameData::Weather*> m_byListId;
        std::unordered_map<std::uint32_t, const GameData::Region*> m_regions;
    };

    // The ID a weather list writes the weather of `formId` by: its low six digits (WeatherIdMask), upper
    // case, as presets write them ("C821E").
    [[nodiscard]] std::string ListedId(std::uint32_t formId);
    // A weather as a person reads it: "SkyrimFog (C821E, cloudy)", the ID as a list writes it, the
    // classification's names joined by '+' or "unclassified".
    [[nodiscard]] std::string Describe(const GameData::Weather& weather);
    // The classification for a person: "cloudy", "rainy+snow", "unclassified".
    [[nodiscard]] std::string ClassificationText(std::uint8_t classification);

    // A weather a worldspace can show, where the records give it, and the section of a list that
    // lists it.
    struct CoveredWeather
    {
        const GameData::Weather* Weather = nullptr;
        std::vector<std::optional<std::uint32_t>> Sources; // its climate (nothing) and the regions, in order
        // The sections that list it, in file order; none: it gets enbseries.ini's values, as far as can be
        // inferred. Of two or more, which one ENB takes is not documented.
        std::vector<const WeatherSection*> Sections;
    };

    // The weathers that `sky` can show, each once, in the order the records give them, with the sections
    // of `list` whose IDs mask to its form ID's low 24 bits. Throws only std::bad_alloc.
    [[nodiscard]] std::vector<CoveredWeather> Coverage(const GameData::WorldspaceSky& sky, const WeatherListFile& list,
                                                       const WeatherNames& names);
} // namespace NimbravaCheck
