#include "Choice/WeatherlistChoice.h"

#include <algorithm>
#include <string_view>
#include <vector>
#include "Orvel/Parsing.h"

namespace Nimbrava
{
    namespace
    {
        constexpr int LastSection = 99;

        // "WEATHERLIST" and two decimal digits, without building a string per number.
        class SectionName
        {
        public:
            explicit SectionName(int number) noexcept
            {
                m_text[11] = static_cast<char>('0' + number / 10);
                m_text[12] = static_cast<char>('0' + number % 10);
            }
            [[nodiscard]] std::string_view View() const noexcept { return {m_text, sizeof m_text}; }

        private:
            char m_text[13] = {'W', 'E', 'A', 'T', 'H', 'E', 'R', 'L', 'I', 'S', 'T', '0', '0'};
        };

        [[nodiscard]] bool ListsWorldspace(const Orvel::IniInterface::Section& section, std::uint32_t maskedId)
        {
            const auto* ids = section.FindEntry("WorldspaceIDs");
            if (ids == nullptr)
                return false;
            const auto list = Orvel::ParseHexNumberList(ids->Value, {}, ",");
            return std::find(list.begin(), list.end(), maskedId) != list.end();
        }

        [[nodiscard]] std::string ShownName(const Orvel::IniInterface::Section& section)
        {
            const auto* entry = section.FindEntry("FileName");
            if (entry == nullptr)
                return {};
            return std::string(ShownFileName(entry->Value));
        }
    } // namespace

    std::string_view ShownFileName(std::string_view storedValue) noexcept
    {
        if (storedValue.size() >= 2 && storedValue.front() == '"' && storedValue.back() == '"')
            return storedValue.substr(1, storedValue.size() - 2);
        return storedValue;
    }

    WeatherlistChoice ChooseWeatherlist(const Orvel::IniInterface& document, std::uint32_t maskedId)
    {
        for (int number = 1; number <= LastSection; ++number)
        {
            const auto* section = document.FindSection(SectionName(number).View());
            if (section != nullptr && ListsWorldspace(*section, maskedId))
                return {number, ShownName(*section)};
        }
        return {};
    }
} // namespace Nimbrava
