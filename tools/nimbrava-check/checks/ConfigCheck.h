#pragma once
// What the plugin makes of "_nimbrava.ini": its weatherlist sections in the order the plugin tries
// them, and every place where the file says something the plugin will not do, with the line and
// what the plugin does instead.

#include <vector>
#include "GameData/Worldspaces.h"
#include "checks/Configuration.h"
#include "checks/Finding.h"
#include "checks/Context.h"
#include "checks/WeatherCoverage.h"

namespace NimbravaCheck
{
    struct ConfigReport
    {
        std::vector<WeatherlistSection> Sections; // in priority order, WEATHERLIST01 first
        // The load order's first, then the file's by line, then the weather lists' (each list's by line,
        // then what the lists leave out): problems, and with the game's data information (unlisted
        // worldspaces that share an ID, uncovered weathers).
        std::vector<Finding> Findings;
        // With the game's data: the worldspaces that no section lists, in load order (in the game's list,
        // which outlives the report).
        std::vector<const GameData::Worldspace*> Unlisted;
        // Whether the IDs were held against the game's data (not for a file the plugin reads nothing from).
        bool AgainstGame = false;
        // ENB's own weather list and each that a section names, as ENB reads them.
        std::vector<CheckedWeatherList> WeatherLists;
    };

    // Checks `config` with every pass of Passes.h; with the game in `context`, also each ID against the
    // worldspaces of its load order, whose own problems join the report. A file saved as UTF-16 gives
    // that one problem. Throws only std::bad_alloc.
    [[nodiscard]] ConfigReport CheckConfiguration(const Configuration& config, const CheckContext& context);
} // namespace NimbravaCheck
