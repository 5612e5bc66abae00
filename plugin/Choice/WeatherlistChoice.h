#pragma once
// Which weather list file "_nimbrava.ini" assigns to a worldspace: the rules of the configuration
// file, without logging, globals or Windows. The plugin and nimbrava-check both decide with this.

#include <cstdint>
#include <string>
#include <string_view>
#include "Orvel/Ini.h"

namespace Nimbrava
{
    // The largest worldspace ID the plugin compares: only the low 24 bits of ENB's count. A listed ID
    // above it never matches.
    inline constexpr std::uint32_t LargestWorldspaceId = 0xFFFFFFu;

    // The low 24 bits of a worldspace identifier: what the configuration lists and the log shows.
    [[nodiscard]] constexpr std::uint32_t MaskWorldspaceId(std::uint32_t id) noexcept
    {
        return id & LargestWorldspaceId;
    }

    // The configuration's names, byte for byte: sections WEATHERLIST01 to WEATHERLIST99 (upper case,
    // two digits, the lowest number first) with these two keys.
    inline constexpr std::string_view WeatherlistSectionPrefix = "WEATHERLIST";
    inline constexpr int LastWeatherlistSection = 99;
    inline constexpr std::string_view IdsKey = "WorldspaceIDs";
    inline constexpr std::string_view FileNameKey = "FileName";

    // The name of the section WEATHERLISTnn, n from 1 to 99, without building a string per number.
    class WeatherlistSectionName
    {
    public:
        explicit constexpr WeatherlistSectionName(int number) noexcept
        {
            WeatherlistSectionPrefix.copy(m_text, Tens);
            m_text[Tens] = static_cast<char>('0' + number / 10);
            m_text[Tens + 1] = static_cast<char>('0' + number % 10);
        }
        [[nodiscard]] constexpr std::string_view View() const noexcept { return {m_text, sizeof m_text}; }

    private:
        static constexpr std::size_t Tens = WeatherlistSectionPrefix.size(); // where the two digits stand
        char m_text[Tens + 2]{};
    };

    // n for the name WEATHERLISTnn (two decimal digits, 01 to 99), 0 for any other name.
    [[nodiscard]] int WeatherlistSectionNumber(std::string_view name) noexcept;

    struct WeatherlistChoice
    {
        // n of the section "WEATHERLISTnn" that wins (1 to 99), or 0 when no section lists the ID.
        int Section = 0;
        // The winning section's first "FileName" value with one pair of enclosing double quotes
        // removed, in the configuration's own bytes: the name the log shows. Empty when no section
        // won or it has no FileName.
        std::string ShownName;

        [[nodiscard]] bool Chosen() const noexcept { return Section != 0; }

        friend bool operator==(const WeatherlistChoice&, const WeatherlistChoice&) = default;
    };

    // A stored "FileName" value as the log shows it: one pair of enclosing double quotes removed (the
    // reader keeps one quote at each end of every value written with quotes), nothing else.
    [[nodiscard]] std::string_view ShownFileName(std::string_view storedValue) noexcept;

    // The first of WEATHERLIST01 to WEATHERLIST99, by number, whose first "WorldspaceIDs" entry lists
    // `maskedId`, and its shown name. Names and keys match byte for byte; a section without the key,
    // or whose list does not read, never matches. Throws only std::bad_alloc.
    [[nodiscard]] WeatherlistChoice ChooseWeatherlist(const Orvel::IniInterface& document, std::uint32_t maskedId);
} // namespace Nimbrava
