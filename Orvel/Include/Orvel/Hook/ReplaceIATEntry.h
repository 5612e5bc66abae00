#pragma once
// Windows only: replacing the import address table slot of a function in a loaded module.

#include <string_view>
#include "Orvel/Hook/TrackingRegistry.h"

namespace Orvel::Hook
{
    // Finds the slot as FindIATEntry does, writes `replacement` into it with one aligned 8-byte
    // store under a temporary PAGE_EXECUTE_READWRITE protection, and returns the pointer that it
    // held. The old protection is put back, and a backup of the old pointer stays in the process-wide
    // registry (not restored).
    //
    // Returns null, changing nothing (slot, protection, registry), when the search fails or the
    // slot cannot be made writable. Throws std::bad_alloc when the backup cannot be made; the slot
    // is then as it was.
    void* ReplaceIATEntry(void* module, std::string_view dllName, std::string_view functionName, void* replacement);

    // The same, keeping the backup in `registry`.
    void* ReplaceIATEntry(TrackingRegistry& registry, void* module, std::string_view dllName,
                          std::string_view functionName, void* replacement);
} // namespace Orvel::Hook
