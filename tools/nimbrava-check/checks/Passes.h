#pragma once
// The passes of the configuration check, which ConfigCheck.h runs in the order of Passes below. Each
// adds to `findings` what it finds in `config`, whose weatherlist sections are `report.Sections`, in
// file order within each section.

#include "checks/ConfigCheck.h"

namespace NimbravaCheck
{
    // How the file was saved: UTF-16, which the plugin reads nothing from (then true: nothing else
    // is worth checking), or with a UTF-8 byte-order mark that hides what line 1 holds. Runs first.
    bool CheckEncoding(const Configuration& config, const CheckContext& context, FindingWriter& findings);

    // Section names that are almost WEATHERLISTnn, sections opened twice, keys that are almost the
    // real ones, unclosed quotes, and no weatherlist section at all.
    void CheckSectionNames(ConfigReport& report, const Configuration& config, const CheckContext& context,
                           FindingWriter& findings);

    // WorldspaceIDs: missing, empty, quoted, not read, read in part, too large, taken earlier.
    void CheckIdLists(ConfigReport& report, const Configuration& config, const CheckContext& context,
                      FindingWriter& findings);

    // FileName: missing, empty, escaped, leading to no regular file, saved as UTF-8.
    void CheckFileNames(ConfigReport& report, const Configuration& config, const CheckContext& context,
                        FindingWriter& findings);

    // The lines the reader did not store: keys set twice, unclosed headers, ignored lines.
    void CheckLines(ConfigReport& report, const Configuration& config, const CheckContext& context,
                    FindingWriter& findings);

    // With the game in the context, each ID against the load order's worldspaces: IDs that match none,
    // that several share, that move with the load order; the worldspaces no section lists. Fills in the
    // sections' Matches and the report's Unlisted, and adds the load order's own problems.
    void CheckAgainstGame(ConfigReport& report, const Configuration& config, const CheckContext& context,
                          FindingWriter& findings);

    // ENB's own weather list and each that a section names, read into the report's WeatherLists, each
    // as ENB reads it: IDs of no weather of the load order (nor of a location), of several, of a light
    // plugin's, listed in two sections, settings files that are not there, sections written twice;
    // with the game, for each worldspace the weathers its records let it show that the list in force
    // there leaves out. Its findings are about the lists (Topic::WeatherList).
    void CheckWeatherLists(ConfigReport& report, const Configuration& config, const CheckContext& context,
                           FindingWriter& findings);

    using Pass = void (*)(ConfigReport& report, const Configuration& config, const CheckContext& context,
                          FindingWriter& findings);
    inline constexpr Pass Passes[] = {CheckSectionNames, CheckIdLists,     CheckFileNames,
                                      CheckLines,        CheckAgainstGame, CheckWeatherLists};
} // namespace NimbravaCheck
