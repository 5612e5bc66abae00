#pragma once
// What a change of worldspace does: the weather list chosen, the lines logged in their order and the
// file left in force. The steps are the plugin's own; where they touch the world (the log, the files,
// the path in force, ENB) they ask a IWeatherlistSite, which the plugin answers with the game and
// nimbrava-check with its reading of the player's folder. Portable: no Windows header.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "Choice/WeatherlistChoice.h"
#include "Orvel/Ini.h"
#include "Orvel/LogLevel.h"

namespace Nimbrava
{
    struct LogLine
    {
        Orvel::LogLevel Level;
        std::string Text;

        friend bool operator==(const LogLine&, const LogLine&) = default;
    };

    // The weather list ENB reads after a change.
    enum class InForce
    {
        Default, // ENB's own "_weatherlist.ini"
        Chosen,  // the file of the section that won
        Unknown, // the site could not tell whether that file is there (nimbrava-check, elsewhere)
    };

    struct WorldspaceOutcome
    {
        std::uint32_t MaskedId = 0; // 0 for the start-up run (no worldspace known)
        WeatherlistChoice Choice;   // the section that won and its shown name; none when nothing won
        std::vector<LogLine> Lines; // every line logged, in order
        InForce Path = InForce::Default;
    };

    // Where a change happens. Each call may throw; the steps below say which failures they catch.
    class IWeatherlistSite
    {
    public:
        virtual ~IWeatherlistSite() = default;

        // Logs one line now, before the steps after it touch any file.
        virtual void Log(Orvel::LogLevel level, std::string_view text) = 0;
        // Makes ENB's own "_weatherlist.ini" the weather list in force.
        virtual void ResetToDefault() = 0;
        // "_nimbrava.ini" as the plugin's reader reads it; throws when it cannot be read.
        virtual Orvel::IniInterface ReadConfiguration() = 0;
        // Whether `shownName`, joined with the enbseries directory, names an existing regular file.
        // Throws when the test itself fails (a name that is no text in the game's code page, access
        // denied); nothing when it cannot be told here.
        virtual std::optional<bool> IsRegularFile(std::string_view shownName) = 0;
        // Makes the file that the last IsRegularFile call found the weather list in force.
        virtual void SwitchTo(std::string_view shownName) = 0;
        // Asks ENB to reload its configuration; false when ENB answers that the reload failed.
        virtual bool Reload() = 0;
    };

    // One run of the plugin's weather list update for the worldspace `storedId` (0: none known yet):
    //  1. the default goes in force (not guarded: its failure leaves);
    //  2. for 0, "Changed to undefined worldspace..." and nothing else: the configuration is not read;
    //  3. "Worldspace changed. New ID: {:X}" with the low 24 bits;
    //  4. from here on guarded: the configuration is read and the first WEATHERLISTnn listing the ID
    //     wins; none: nothing more;
    //  5. its FileName is a regular file: "Switching to weatherlist '{}'" and the switch; not one: the
    //     Warning "Unable to find weatherlist ..." and the default stays; not known: nothing more.
    // Whatever the guarded steps throw gives the one Error line "Unable to load '_nimbrava.ini'..."
    // and the outcome's path says Default (after a failed SwitchTo, the site says what is in force).
    // Throws what steps 1 to 3 and the Error line's logging throw.
    [[nodiscard]] WorldspaceOutcome UpdateWeatherlist(std::uint32_t storedId, IWeatherlistSite& site);

    // What ENB's callback does after the update it started: "Reloading ENB config...", the reload
    // request, and "ENB config reload failed!" at level Error when ENB answers that it failed. Adds
    // its lines to `outcome`. Throws what the site throws.
    void RequestReload(IWeatherlistSite& site, WorldspaceOutcome& outcome);

    // Whether ENB's callback acts when ENB reports `reported` while `stored` is the worldspace of the
    // last change (0 before any): not for 0, which ENB reports in no worldspace, nor for the stored
    // one, all 32 bits compared (the choice looks at the low 24 only, so 0A00003C after 3C is a
    // change to the same list). When it acts, `reported` is stored and ChangeWorldspace runs.
    [[nodiscard]] constexpr bool IsWorldspaceChange(std::uint32_t reported, std::uint32_t stored) noexcept
    {
        return reported != 0 && reported != stored;
    }

    // A change to the worldspace `id` (not 0) as ENB's callback makes it: the update, then the reload
    // request.
    [[nodiscard]] WorldspaceOutcome ChangeWorldspace(std::uint32_t id, IWeatherlistSite& site);
} // namespace Nimbrava
