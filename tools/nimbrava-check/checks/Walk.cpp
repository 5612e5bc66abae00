#include "checks/Walk.h"

#include "Choice/WorldspaceChange.h"

namespace NimbravaCheck
{
    Walk WalkThrough(const DecisionInputs& inputs, const std::vector<std::uint32_t>& ids)
    {
        Walk walk{Decide(inputs, 0), {}};
        std::uint32_t stored = 0; // as the plugin stores it: no worldspace at the start
        std::optional<std::filesystem::path> inForce = inputs.Enbseries / "_weatherlist.ini";
        for (const std::uint32_t id : ids)
        {
            WalkStep& step = walk.Steps.emplace_back();
            step.Id = id;
            if (Nimbrava::IsWorldspaceChange(id, stored))
            {
                stored = id;
                step.Change = Decide(inputs, id);
                inForce = step.Change->InForce;
            }
            step.InForce = inForce;
        }
        return walk;
    }
} // namespace NimbravaCheck
