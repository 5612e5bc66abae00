#pragma once
// A walk through worldspaces from the game's start, as ENB reports them one after the other: at each
// step whether ENB's callback acts (Nimbrava::IsWorldspaceChange) and, when it does, the plugin's
// change; and the weather list in force after the step, which ENB reads when the step reloads. ENB is
// taken to accept the plugin and to reload whenever it is asked.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>
#include "checks/Decision.h"

namespace NimbravaCheck
{
    struct WalkStep
    {
        std::uint32_t Id = 0;           // as ENB reports it
        std::optional<Decision> Change; // when the callback acts on it: the change, which reloads
        // The weather list in force after the step; nothing when it cannot be told here.
        std::optional<std::filesystem::path> InForce;
    };

    struct Walk
    {
        Decision Start; // the plugin's start-up run, which puts ENB's own _weatherlist.ini in force
        std::vector<WalkStep> Steps;
    };

    // The walk through `ids` with the player's folder of `inputs`. Throws only std::bad_alloc.
    [[nodiscard]] Walk WalkThrough(const DecisionInputs& inputs, const std::vector<std::uint32_t>& ids);
} // namespace NimbravaCheck
