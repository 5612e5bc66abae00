#include "Orvel/Hook/ReplaceIATEntry.h"

#include <atomic>
#include <cstdint>
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/MemoryProtectionGuard.h"
#include "Orvel/Hook/TrackingScope.h"

namespace Orvel::Hook
{
    void* ReplaceIATEntry(void* module, std::string_view dllName, std::string_view functionName, void* replacement)
    {
        return ReplaceIATEntry(TrackingRegistry::Process(), module, dllName, functionName, replacement);
    }

    void* ReplaceIATEntry(TrackingRegistry& registry, void* module, std::string_view dllName,
                          std::string_view functionName, void* replacement)
    {
        const IATSearchResult found = FindIATEntry(module, dllName, functionName);
        if (!found)
            return nullptr;
        void** const slot = *found;

        // Declared before the scope, so that on an exception the scope writes back first and the
        // guard then puts the protection back.
        MemoryProtectionGuard guard(slot, sizeof *slot);
        TrackingScope scope(reinterpret_cast<std::uintptr_t>(slot), registry);

        // The slot is made writable before anything is registered: when that fails the call ends
        // with nothing written and nothing left in the registry.
        if (!guard.Engage(PageExecuteReadWrite))
            return nullptr;
        scope.Track(slot);

        std::atomic_ref<void*> cell(*slot);
        void* const previous = cell.load(std::memory_order_acquire);
        cell.store(replacement, std::memory_order_release);

        guard.Restore();
        scope.Release();
        return previous;
    }
} // namespace Orvel::Hook
