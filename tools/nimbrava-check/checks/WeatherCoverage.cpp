#include "checks/WeatherCoverage.h"

#include <algorithm>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include "GameData/WholeFile.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    CheckedWeatherList ReadCheckedWeatherList(const std::filesystem::path& file)
    {
        return CheckedWeatherList{file, ReadWeatherList(GameData::ReadWholeFile(file, GameData::MaximumGameTextSize))};
    }

    const CheckedWeatherList* FindWeatherList(const std::vector<CheckedWeatherList>& lists,
                                              const std::filesystem::path& file)
    {
        for (const auto& list : lists)
            if (std::error_code error; list.File == file || std::filesystem::equivalent(list.File, file, error))
                return &list;
        return nullptr;
    }

    WeatherNames::WeatherNames(const GameData::GameWeathers& game)
    {
        for (const auto& weather : game.Weathers)
        {
            m_weathers.emplace(weather.FormId, &weather);
            m_byListId.emplace(weather.FormId & WeatherIdMask, &weather);
        }
        for (const auto& region : game.Regions)
            m_regions.emplace(region.FormId, &region);
    }

    const GameData::Weather* WeatherNames::Find(std::uint32_t formId) const
    {
        const auto found = m_weathers.find(formId);
        return found == m_weathers.end() ? nullptr : found->second;
    }

    std::vector<const GameData::Weather*> WeatherNames::Named(std::uint32_t id) const
    {
        std::vector<const GameData::Weather*> named;
        const auto [begin, end] = m_byListId.equal_range(id & WeatherIdMask);
        for (auto at = begin; at != end; ++at)
            named.push_back(at->second);
        // In load order: the list holds them so.
        std::ranges::sort(named);
        return named;
    }

    std::string WeatherNames::RegionName(std::uint32_t region) const
    {
        const auto found = m_regions.find(region);
        return found == m_regions.end() ? std::string() : PrintableText(found->second->EditorId);
    }

    std::string WeatherNames::Sources(const std::vector<std::optional<std::uint32_t>>& regions) const
    {
        std::string text;
        for (const auto& region : regions)
            text += (text.empty() ? "" : ", ") + (region ? "region " + RegionName(*region) : "its climate");
        return text;
    }

    std::string ClassificationText(std::uint8_t classification)
    {
        const auto names = GameData::ClassificationNames(classification);
        return names.empty() ? "unclassified" : fmt::format("{}", fmt::join(names, "+"));
    }

    std::string ListedId(std::uint32_t formId)
    {
        return fmt::format("{:X}", formId & WeatherIdMask);
    }

    std::string Describe(const GameData::Weather& weather)
    {
        return fmt::format("{} ({}, {})", PrintableText(weather.EditorId), ListedId(weather.FormId),
                           ClassificationText(weather.Classification));
    }

    std::vector<CoveredWeather> Coverage(const GameData::WorldspaceSky& sky, const WeatherListFile& list,
                                         const WeatherNames& names)
    {
        // By the ID as lists write it, each section once.
        std::unordered_map<std::uint32_t, std::vector<const WeatherSection*>> listed;
        for (const auto& section : list.Sections)
            for (const auto& id : section.Ids)
                if (auto& sections = listed[id.Masked()]; sections.empty() || sections.back() != &section)
                    sections.push_back(&section);
        std::vector<CoveredWeather> covered;
        std::unordered_map<std::uint32_t, std::size_t> at; // by form ID, in `covered`
        for (const auto& possible : sky.Weathers)
        {
            const auto* weather = names.Find(possible.Weather);
            if (weather == nullptr)
                continue;
            const auto [place, fresh] = at.try_emplace(possible.Weather, covered.size());
            if (fresh)
            {
                const auto section = listed.find(possible.Weather & WeatherIdMask);
                covered.push_back(
                    {weather, {}, section == listed.end() ? std::vector<const WeatherSection*>{} : section->second});
            }
            covered[place->second].Sources.push_back(possible.Region);
        }
        return covered;
    }
} // namespace NimbravaCheck
