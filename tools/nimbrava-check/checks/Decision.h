#pragma once
// What the plugin does when ENB reports a worldspace, decided by the plugin's own steps against the
// player's folder, and why.

#include <cstdint>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>
#include "Choice/WorldspaceChange.h"
#include "checks/ConfigCheck.h"
#include "checks/ExplainingLines.h"
#include "checks/WindowsPath.h"

namespace NimbravaCheck
{
    struct Decision
    {
        std::uint32_t Id = 0;
        std::vector<GameData::Worldspace> Named; // with the game's data: the worldspaces of this ID
        Nimbrava::WorldspaceOutcome Outcome;
        std::optional<ResolvedFile> File; // what the plugin's file test found, when it ran
        std::string Note;                 // what could not be told here
        // A Warning or Error line, a file that could not be checked, or a section meant for it that never
        // matches (a line of `Why` with a problem while no section takes it).
        bool Problem = false;
        // Why: for an ID no section takes, the lines that look as if they meant it; for one whose
        // section falls back, that section's FileName and its problems.
        std::vector<ExplainingLine> Why;
        // What else the full check finds about this ID (an earlier section that takes it from a later
        // one, worldspaces that share it, a light plugin's), beside what `Why` tells.
        std::vector<Finding> Related;
        // The weather list in force after the change; nothing when it cannot be told.
        std::optional<std::filesystem::path> InForce;
        // With the game's data and that list read (the report's): for each worldspace of this ID whose
        // records give it weathers, those weathers and the sections of the list that give them.
        struct WorldspaceCoverage
        {
            const GameData::WorldspaceSky* Sky = nullptr; // of the context's game
            const CheckedWeatherList* List = nullptr;     // of the report
            std::vector<CoveredWeather> Weathers;
        };
        std::vector<WorldspaceCoverage> Coverage;
    };

    // What a decision is made from: the enbseries folder, the configuration as read (null when it
    // could not be, with the reason in `LoadFailure`; the plugin then logs that it cannot load it) and
    // its check, and the context.
    struct DecisionInputs
    {
        std::filesystem::path Enbseries;
        const Configuration* Config = nullptr;
        const ConfigReport* Report = nullptr;
        std::exception_ptr LoadFailure;
        const CheckContext& Context;
    };

    // The plugin's steps for the worldspace `id`: ENB's callback for an ID, the start-up run for 0.
    // ENB is taken to reload. With a report, also why, what else it finds about the ID and the
    // coverage of the list in force. Throws only std::bad_alloc.
    [[nodiscard]] Decision Decide(const DecisionInputs& inputs, std::uint32_t id);

    // Of Decide, only the weather list in force after ENB reports `id` (not 0); nothing when it cannot
    // be told. For the checks that ask it of every worldspace. Throws only std::bad_alloc.
    [[nodiscard]] std::optional<std::filesystem::path> ListInForce(const DecisionInputs& inputs, std::uint32_t id);
} // namespace NimbravaCheck
