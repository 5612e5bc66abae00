#pragma once
// ENB's weather lists (its own "_weatherlist.ini", and every file that "_nimbrava.ini" names) as ENB
// gets them: the sections WEATHER001 to WEATHER999, each read as GetPrivateProfileSectionA gives it
// (ProfileFile.h), with two keys: FileName, the weather's settings file relative to the enbseries
// folder, and WeatherIDs, hexadecimal IDs separated by commas and/or white space. Presets write the
// IDs without the load-order byte: as they write them, the low 24 bits of a weather's form ID are
// compared. And "_locationweather.ini", whose virtual weather IDs are no weathers of the game.
//
// What ENB itself does is documented nowhere; these readings follow the lists that presets publish:
// the section number is the weather's index (WEATHER000 would be index 0, "no section", and is not
// read); keys match without regard to case, the first of a key counting; an ID is 1 to 8 hexadecimal
// digits, either case, without prefix. A "//", or a ';' where an ID would start, begins a comment, as
// a person writing it means one: no IDs are read from it (what ENB makes of it is not known).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "checks/ProfileFile.h"

namespace NimbravaCheck
{
    // The low 24 bits, which presets write and ENB, as far as presets show, compares.
    inline constexpr std::uint32_t WeatherIdMask = 0xFFFFFF;

    // nnn of a section's name WEATHERnnn (case ignored), 1 to 999; nothing for any other name.
    [[nodiscard]] std::optional<unsigned> WeatherSectionIndex(std::string_view name);

    enum class WeatherKey
    {
        FileName,
        WeatherIds,
    };

    // The key that a line of a weather section sets (case ignored); nothing for a line that sets neither.
    [[nodiscard]] std::optional<WeatherKey> WeatherListKey(const ProfileFile::Line& line);

    // An ID of WeatherIDs as written.
    struct WeatherId
    {
        std::uint32_t Value = 0; // as written (up to 8 digits)
        std::string Text;        // the digits as written

        [[nodiscard]] std::uint32_t Masked() const noexcept { return Value & WeatherIdMask; }
    };

    // A section WEATHERnnn as ENB gets it.
    struct WeatherSection
    {
        unsigned Index = 0;   // nnn: 1 to 999
        std::string Name;     // between the brackets as written, white space around it dropped
        std::size_t Line = 0; // of its (first) header
        std::optional<std::string> FileName;
        std::size_t FileNameLine = 0; // when FileName is there
        std::vector<WeatherId> Ids;   // in order, each as often as written
        std::size_t IdsLine = 0;      // of WeatherIDs, when it is there
        // Parts of WeatherIDs between separators that are no ID (not hexadecimal, more than 8 digits).
        std::vector<std::string> Unread;
        // The comment after the IDs, from its ';' or "//" on, as written; empty: none.
        std::string Comment;
    };

    struct WeatherListFile
    {
        // Each section ENB reads, once, in the order of their first headers.
        std::vector<WeatherSection> Sections;
        // Headers that ENB gets no lines of: a second header of a section already given, and names
        // that ENB never asks for (no WEATHER and three digits, or WEATHER000); with their lines.
        struct UnreadSection
        {
            ProfileFile::Header Header;
            std::vector<ProfileFile::Line> Lines;
        };
        std::vector<UnreadSection> Unread;
        // The header that a UTF-8 byte-order mark hides on line 1 (ProfileFile::HiddenByMark).
        std::optional<std::string> HiddenByMark;
    };

    // The weather list whose bytes are `text`. Throws only std::bad_alloc.
    [[nodiscard]] WeatherListFile ReadWeatherList(std::string_view text);

    // A virtual weather ID that "_locationweather.ini" gives a location.
    struct LocationWeather
    {
        std::uint32_t Masked = 0;
        std::size_t Line = 0;
    };

    // The virtual weather IDs of "_locationweather.ini" (sections per worldspace, lines
    // LocationID=WeatherID) as its sections are given (ProfileFile.h): the first hexadecimal ID after
    // each '=', masked, in file order. Throws only std::bad_alloc.
    [[nodiscard]] std::vector<LocationWeather> ReadLocationWeathers(std::string_view text);
} // namespace NimbravaCheck
