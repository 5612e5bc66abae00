#pragma once
// GameData's problems of the load order, worded as findings.

#include <vector>
#include "GameData/Problems.h"
#include "checks/Finding.h"

namespace NimbravaCheck
{
    // The findings of `problems`, in their order. Throws only std::bad_alloc.
    [[nodiscard]] std::vector<Finding> LoadOrderFindings(const std::vector<GameData::Problem>& problems);
} // namespace NimbravaCheck
