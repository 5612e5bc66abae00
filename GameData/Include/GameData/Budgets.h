#pragma once
// What reading one plugin, and one whole run, may cost at most. Past a budget the file is a problem
// that names the budget, never gigabytes of memory or minutes of work. Each is ten times and more
// what the largest real masters hold of what is read here (Skyrim.esm holds a few dozen worldspaces,
// some hundreds of weathers, climates and regions, and names of some tens of bytes), and small enough
// that no plugin of 5 MB makes a run keep more than 50 MB.

#include <cstdint>

namespace GameData
{
    // Of one plugin (its string table is read within the same names).
    struct FileBudget
    {
        std::uint32_t Records;       // records kept: worldspaces, weathers, climates, regions (deleted ones
                                     // and overrides too)
        std::uint64_t NameBytes;     // bytes of names kept: editor IDs, names, masters, strings of its table
        std::uint64_t InflatedBytes; // bytes inflated from its compressed records
        // Weather entries kept, of climates (WLST) and regions (RDWT): Skyrim.esm holds some thousands.
        std::uint32_t Entries = 100'000;
    };

    inline constexpr FileBudget PluginBudget{100'000, std::uint64_t{1} << 20, std::uint64_t{64} << 20};

    // Bytes read from string tables in one run: their directories and the strings that names use.
    inline constexpr std::uint64_t StringTableBudget = std::uint64_t{64} << 20;
} // namespace GameData
