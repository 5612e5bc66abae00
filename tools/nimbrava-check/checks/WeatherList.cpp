#include "checks/WeatherList.h"

#include <algorithm>
#include <charconv>
#include "Orvel/Ascii.h"

namespace NimbravaCheck
{
    std::optional<unsigned> WeatherSectionIndex(std::string_view name)
    {
        constexpr std::string_view Word = "WEATHER";
        if (name.size() != Word.size() + 3 || !Orvel::EqualIgnoringCase(name.substr(0, Word.size()), Word))
            return std::nullopt;
        unsigned index = 0;
        for (const char c : name.substr(Word.size()))
        {
            if (c < '0' || c > '9')
                return std::nullopt;
            index = index * 10 + static_cast<unsigned>(c - '0');
        }
        return index == 0 ? std::nullopt : std::optional(index);
    }

    std::optional<WeatherKey> WeatherListKey(const ProfileFile::Line& line)
    {
        if (!line.Value())
            return std::nullopt;
        if (Orvel::EqualIgnoringCase(line.Key(), "FileName"))
            return WeatherKey::FileName;
        if (Orvel::EqualIgnoringCase(line.Key(), "WeatherIDs"))
            return WeatherKey::WeatherIds;
        return std::nullopt;
    }

    namespace
    {
        // A hexadecimal number of 1 to 8 digits and nothing else.
        std::optional<std::uint32_t> HexId(std::string_view text)
        {
            std::uint32_t value = 0;
            const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
            if (text.empty() || text.size() > 8 || error != std::errc() || end != text.data() + text.size())
                return std::nullopt;
            return value;
        }

        bool IsSeparator(char c)
        {
            return c == ',' || Orvel::IsSpace(c);
        }

        // The IDs, the parts that are no ID and the comment after them. No ID holds a '/': "//" starts a
        // comment wherever it stands; a ';' only where a part starts, as inside a part it may be meant
        // for a separator.
        void ReadIds(std::string_view value, WeatherSection& section)
        {
            if (const std::size_t slashes = value.find("//"); slashes != std::string_view::npos)
            {
                section.Comment = std::string(value.substr(slashes));
                value = value.substr(0, slashes);
            }
            for (std::size_t at = 0; at < value.size();)
            {
                if (IsSeparator(value[at]))
                {
                    ++at;
                    continue;
                }
                if (value[at] == ';')
                {
                    section.Comment = std::string(value.substr(at)) + section.Comment;
                    return;
                }
                const auto end =
                    std::find_if(value.begin() + static_cast<std::ptrdiff_t>(at), value.end(), IsSeparator);
                const std::string_view token = value.substr(at, static_cast<std::size_t>(end - value.begin()) - at);
                if (const auto id = HexId(token))
                    section.Ids.push_back({*id, std::string(token)});
                else
                    section.Unread.emplace_back(token);
                at += token.size();
            }
        }
    } // namespace

    WeatherListFile ReadWeatherList(std::string_view text)
    {
        const ProfileFile profile(text);
        WeatherListFile list;
        list.HiddenByMark = profile.HiddenByMark();
        for (std::size_t i = 0; i < profile.Headers().size(); ++i)
        {
            const auto& header = profile.Headers()[i];
            const auto index = WeatherSectionIndex(header.Name);
            if (header.Repeated || !index)
            {
                list.Unread.push_back({header, profile.LinesOf(i)});
                continue;
            }
            WeatherSection& section = list.Sections.emplace_back();
            section.Index = *index;
            section.Name = header.Name;
            section.Line = header.Number;
            for (const auto& line : profile.Section(header.Name))
            {
                const auto key = WeatherListKey(line);
                if (key == WeatherKey::FileName && !section.FileName)
                {
                    section.FileName = std::string(*line.Value());
                    section.FileNameLine = line.Number;
                }
                else if (key == WeatherKey::WeatherIds && section.IdsLine == 0)
                {
                    section.IdsLine = line.Number;
                    ReadIds(*line.Value(), section);
                }
            }
        }
        return list;
    }

    std::vector<LocationWeather> ReadLocationWeathers(std::string_view text)
    {
        const ProfileFile profile(text);
        std::vector<LocationWeather> weathers;
        for (const auto& header : profile.Headers())
            for (const auto& line : header.Repeated ? std::vector<ProfileFile::Line>{} : profile.Section(header.Name))
            {
                const std::string_view value = line.Value().value_or("");
                const auto end = std::find_if(value.begin(), value.end(), IsSeparator);
                if (const auto id = HexId(value.substr(0, static_cast<std::size_t>(end - value.begin()))))
                    weathers.push_back({*id & WeatherIdMask, line.Number});
            }
        return weathers;
    }
} // namespace NimbravaCheck
