#pragma once
// How far apart two texts are, for "did you mean" and near misses.

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <vector>
#include "Orvel/Ascii.h"

namespace NimbravaCheck
{
    // The fewest characters to change, add or leave out to make `a` into `b`, ASCII case ignored.
    [[nodiscard]] inline std::size_t EditDistance(std::string_view a, std::string_view b)
    {
        std::vector<std::size_t> row(b.size() + 1);
        for (std::size_t j = 0; j <= b.size(); ++j)
            row[j] = j;
        for (std::size_t i = 1; i <= a.size(); ++i)
        {
            std::size_t diagonal = row[0];
            row[0] = i;
            for (std::size_t j = 1; j <= b.size(); ++j)
            {
                const std::size_t above = row[j];
                const bool same = Orvel::ToLower(a[i - 1]) == Orvel::ToLower(b[j - 1]);
                row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
                diagonal = above;
            }
        }
        return row[b.size()];
    }
} // namespace NimbravaCheck
