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
    // ENB is taken to reload. Throws only std::bad_alloc.
    [[nodiscard]] Decision Decide(const DecisionInputs& inputs, std::uint32_t id);
} // namespace NimbravaCheck
