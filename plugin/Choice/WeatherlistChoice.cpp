#include "Choice/WeatherlistChoice.h"

#include <algorithm>
#include <string_view>
#include <vector>
#include "Orvel/Parsing.h"

namespace Nimbrava
{
    namespace
    {
        [[nodiscard]] bool ListsWorldspace(const Orvel::IniInterface::Section& section, std::uint32_t maskedId)
        {
            const auto* ids = section.FindEntry(IdsKey);
            if (ids == nullptr)
                return false;
            const auto list = Orvel::ParseHexNumberList(ids->Value, {}, ",");
            return std::find(list.begin(), list.end(), maskedId) != list.end();
        }

        [[nodiscard]] std::string ShownName(const Orvel::IniInterface::Section& section)
        {
            const auto* entry = section.FindEntry(FileNameKey);
            if (entry == nullptr)
                return {};
            return std::string(ShownFileName(entry->Value));
        }
    } // namespace

    int WeatherlistSectionNumber(std::string_view name) noexcept
    {
        const std::size_t tens = WeatherlistSectionPrefix.size();
        const auto digit = [&](std::size_t at) { return name[at] >= '0' && name[at] <= '9'; };
        if (name.size() != tens + 2 || !name.starts_with(WeatherlistSectionPrefix) || !digit(tens) || !digit(tens + 1))
            return 0;
        return (name[tens] - '0') * 10 + (name[tens + 1] - '0');
    }

    std::string_view ShownFileName(std::string_view storedValue) noexcept
    {
        if (storedValue.size() >= 2 && storedValue.front() == '"' && storedValue.back() == '"')
            return storedValue.substr(1, storedValue.size() - 2);
        return storedValue;
    }

    WeatherlistChoice ChooseWeatherlist(const Orvel::IniInterface& document, std::uint32_t maskedId)
    {
        for (int number = 1; number <= LastWeatherlistSection; ++number)
        {
            const auto* section = document.FindSection(WeatherlistSectionName(number).View());
            if (section != nullptr && ListsWorldspace(*section, maskedId))
                return {number, ShownName(*section)};
        }
        return {};
    }
} // namespace Nimbrava
