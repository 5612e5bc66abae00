#pragma once
// Weathers, climates and regions as a plugin file holds them (PluginFile.h reads them beside the
// worldspaces): what tells which weathers a worldspace can show. Form IDs are as written in the file,
// their top byte an index into its master list; Weathers.h resolves them across a load order.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace GameData
{
    // The classification flags of a weather (byte 11 of its DATA). A weather with none of the four is
    // unclassified; 0x10 and 0x20 are aurora flags, no classification.
    inline constexpr std::uint8_t PleasantWeather = 0x01;
    inline constexpr std::uint8_t CloudyWeather = 0x02;
    inline constexpr std::uint8_t RainyWeather = 0x04;
    inline constexpr std::uint8_t SnowWeather = 0x08;
    inline constexpr std::uint8_t WeatherClassifications = 0x0F; // the four above

    // Of a worldspace's PNAM: it takes its climate from its parent (WNAM).
    inline constexpr std::uint16_t ParentClimateFlag = 0x10;
    // Of a worldspace's DATA: it has no sky; its dimensions are fixed (renderers treat such a world as
    // an interior).
    inline constexpr std::uint8_t NoSkyFlag = 0x20;
    inline constexpr std::uint8_t FixedDimensionsFlag = 0x40;

    // Of a region's weather entry (RDAT): it overrides the regions of lower priority.
    inline constexpr std::uint8_t RegionOverrideFlag = 0x01;
    // The type of RDAT entry that carries weathers (RDWT).
    inline constexpr std::uint32_t RegionWeatherType = 3;

    // What every record read here has: where, which, its flags and editor ID.
    struct KeptRecord
    {
        std::uint64_t Offset = 0; // of the record's header in the file
        std::uint32_t FormId = 0; // as written in the file
        std::uint32_t Flags = 0;  // the record's flags (DeletedFlag, CompressedFlag, ...)
        std::string EditorId;     // EDID without its NUL, bytes as written; empty when there is none
    };

    // A weather (WTHR).
    struct WeatherRecord : KeptRecord
    {
        // Byte 11 of DATA; nothing when the record has no DATA (or is damaged before it).
        std::optional<std::uint8_t> Classification;
    };

    // One entry of a climate's WLST or a region's RDWT: a weather and its chance (the global that may
    // stand for the chance is not kept).
    struct WeatherChance
    {
        std::uint32_t Weather = 0; // form ID as written
        std::uint32_t Chance = 0;
    };

    // A climate (CLMT).
    struct ClimateRecord : KeptRecord
    {
        std::vector<WeatherChance> Weathers; // WLST, in its order
    };

    // One weather entry of a region: an RDAT of type 3 and the RDWT after it.
    struct RegionWeathers
    {
        std::uint8_t Flags = 0; // RegionOverrideFlag
        std::uint8_t Priority = 0;
        std::vector<WeatherChance> Weathers;
    };

    // A region (REGN).
    struct RegionRecord : KeptRecord
    {
        std::optional<std::uint32_t> Worldspace; // WNAM, form ID as written
        std::vector<RegionWeathers> Entries;     // its weather entries, in file order
    };
} // namespace GameData
