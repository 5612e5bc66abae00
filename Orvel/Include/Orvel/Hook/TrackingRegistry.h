#pragma once
// The list of tracked state, in the order of registration.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>
#include "Orvel/Hook/ITrackable.h"

namespace Orvel::Hook
{
    // Owns every registered object. Destroying the registry destroys the objects and writes
    // nothing back. Not synchronised: used by one thread at a time.
    class TrackingRegistry
    {
    public:
        TrackingRegistry() noexcept = default;
        TrackingRegistry(const TrackingRegistry&) = delete;
        TrackingRegistry& operator=(const TrackingRegistry&) = delete;

        // The process-wide registry: empty at load, destroyed at unload with the other static objects.
        [[nodiscard]] static TrackingRegistry& Process() noexcept;

        // Appends `object`. Throws std::bad_alloc; the registry is then unchanged and the object destroyed.
        void Add(std::unique_ptr<ITrackable> object);

        // Writes back, newest first, every object registered under `key` at position `first` or
        // later that is not restored yet, marks it restored, then removes and destroys every object
        // under `key` from `first` on. The others keep their order.
        void RestoreAndRemove(std::uintptr_t key, std::size_t first) noexcept;

        [[nodiscard]] std::size_t Size() const noexcept { return m_objects.size(); }
        [[nodiscard]] const ITrackable& operator[](std::size_t index) const noexcept { return *m_objects[index]; }

    private:
        std::vector<std::unique_ptr<ITrackable>> m_objects;
    };
} // namespace Orvel::Hook
