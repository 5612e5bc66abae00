#include "Choice/WorldspaceChange.h"

#include <fmt/format.h>
#include <utility>
#include "Choice/WeatherlistMessages.h"

namespace Nimbrava
{
    namespace
    {
        // Logs through the site first, so that a line that cannot be logged is not recorded either.
        void Log(IWeatherlistSite& site, WorldspaceOutcome& outcome, Orvel::LogLevel level, std::string text)
        {
            site.Log(level, text);
            outcome.Lines.push_back({level, std::move(text)});
        }
    } // namespace

    WorldspaceOutcome UpdateWeatherlist(std::uint32_t storedId, IWeatherlistSite& site)
    {
        using Orvel::LogLevel;
        WorldspaceOutcome outcome;
        // Every run starts from ENB's own file, so nothing of an earlier choice survives a run that
        // fails or finds nothing.
        site.ResetToDefault();
        if (storedId == 0)
        {
            Log(site, outcome, LogLevel::Message, Messages::UndefinedWorldspace);
            return outcome;
        }
        outcome.MaskedId = MaskWorldspaceId(storedId);
        Log(site, outcome, LogLevel::Message, fmt::format(Messages::WorldspaceChanged, outcome.MaskedId));

        try
        {
            outcome.Choice = ChooseWeatherlist(site.ReadConfiguration(), outcome.MaskedId);
            if (!outcome.Choice.Chosen())
                return outcome;
            const std::string& shown = outcome.Choice.ShownName;
            const std::optional<bool> regular = site.IsRegularFile(shown);
            if (!regular)
            {
                outcome.Path = InForce::Unknown;
                return outcome;
            }
            if (!*regular)
            {
                Log(site, outcome, LogLevel::Warning, fmt::format(Messages::NotFound, shown, outcome.MaskedId));
                return outcome;
            }
            Log(site, outcome, LogLevel::Message, fmt::format(Messages::Switching, shown));
            site.SwitchTo(shown);
            outcome.Path = InForce::Chosen;
        }
        catch (...)
        {
            // Whatever went wrong, the game goes on with what is in force: the default set above, or,
            // when only the switch itself failed part of the way, what the site left.
            Log(site, outcome, LogLevel::Error, Messages::LoadFailed);
        }
        return outcome;
    }

    void RequestReload(IWeatherlistSite& site, WorldspaceOutcome& outcome)
    {
        Log(site, outcome, Orvel::LogLevel::Message, Messages::Reloading);
        if (!site.Reload())
            Log(site, outcome, Orvel::LogLevel::Error, Messages::ReloadFailed);
    }

    WorldspaceOutcome ChangeWorldspace(std::uint32_t id, IWeatherlistSite& site)
    {
        WorldspaceOutcome outcome = UpdateWeatherlist(id, site);
        RequestReload(site, outcome);
        return outcome;
    }
} // namespace Nimbrava
