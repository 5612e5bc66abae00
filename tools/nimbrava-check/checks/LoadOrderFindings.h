#pragma once
// GameData's problems of the load order, worded as findings.

#include <vector>
#include "GameData/Problems.h"
#include "checks/Finding.h"

namespace NimbravaCheck
{
    // The findings of `problems`, in their order. Throws only std::bad_alloc.
    // `modOrganizer`: the Plugins.txt read is a Mod Organizer 2 profile's, read without MO2's folders:
    // its active plugins missing from Data are told as such (ModManagerPlugin).
    [[nodiscard]] std::vector<Finding> LoadOrderFindings(const std::vector<GameData::Problem>& problems,
                                                         const std::filesystem::path* modOrganizer = nullptr);
} // namespace NimbravaCheck
