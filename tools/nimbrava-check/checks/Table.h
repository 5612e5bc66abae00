#pragma once
// Tables whose rows stand in the order of an enumeration, so that a value of it finds its row by
// its number: the codes of the findings, the options of the command line.

#include <cstddef>

namespace NimbravaCheck
{
    // Whether each row of `table` stands at the place that its `id` names.
    template <typename Row, std::size_t Size, typename Id>
    [[nodiscard]] constexpr bool RowsInPlace(const Row (&table)[Size], Id Row::*id) noexcept
    {
        for (std::size_t i = 0; i < Size; ++i)
            if (static_cast<std::size_t>(table[i].*id) != i)
                return false;
        return true;
    }
} // namespace NimbravaCheck
