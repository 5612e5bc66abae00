#pragma once
// Why the plugin does what it does with a worldspace: the lines of the configuration behind it, with
// what the configuration check finds in them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include "checks/ConfigCheck.h"

namespace NimbravaCheck
{
    struct ExplainingLine
    {
        std::size_t Line = 0;          // of the configuration, 1-based; 0 for the whole file
        std::string Text;              // the line, as the code page shows it
        std::vector<Finding> Findings; // the check's problems of that line or of the section it stands in
    };

    // The lines that look as if they meant the worldspace `maskedId`, for when no section takes it:
    // WorldspaceIDs lines, spelt right or not (any key that mentions "world" or "id", FileName aside)
    // and in any section, whose numbers, read leniently (inside quotes, after a space, with a high
    // byte), include it; whose comment, or a comment line of their section above them, holds one of
    // `names` (case ignored); or that list an ID of no worldspace one hexadecimal digit away from it
    // (one digit changed, added or left out). Commented lines are no such line.
    [[nodiscard]] std::vector<ExplainingLine> NearMisses(const Configuration& config, const ConfigReport& report,
                                                         const GameCodePage& codePage, std::uint32_t maskedId,
                                                         const std::vector<std::string>& names);

    // Whether `id` and `other`, written in hexadecimal, differ in one digit: changed, added or left out.
    [[nodiscard]] bool OneDigitApart(std::uint32_t id, std::uint32_t other);

    // Why WEATHERLISTnn, which takes a worldspace, leaves ENB's own list in force: the problems of its
    // FileName line (or of its header when it has none).
    [[nodiscard]] std::vector<ExplainingLine> FallbackReasons(const Configuration& config, const ConfigReport& report,
                                                              const GameCodePage& codePage, int number);
} // namespace NimbravaCheck
