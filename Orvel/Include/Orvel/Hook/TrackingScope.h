#pragma once
// A scope that saves state before it is changed and writes it back unless the change completes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include "Orvel/Hook/TrackingRegistry.h"

namespace Orvel::Hook
{
    // Objects saved through the scope are registered under its key. If the scope ends unreleased
    // (an exception left the change), it writes back and removes what it registered. Released
    // (key 0), it ends with nothing to do and its objects stay in the registry.
    //
    // Only objects registered during the scope's life are touched: earlier objects under the same
    // key, such as the backup of an earlier change of the same memory, are left alone. Scopes on
    // one registry must nest.
    class TrackingScope
    {
    public:
        // `key` must not be 0.
        TrackingScope(std::uintptr_t key, TrackingRegistry& registry) noexcept
            : m_key(key), m_registry(&registry), m_first(registry.Size())
        {
        }
        ~TrackingScope();
        TrackingScope(const TrackingScope&) = delete;
        TrackingScope& operator=(const TrackingScope&) = delete;

        // Constructs a T from the scope's key and `args` and registers it. Throws what the
        // construction throws and std::bad_alloc; nothing is registered then.
        template <typename T, typename... Args>
        T& Emplace(Args&&... args)
        {
            auto object = std::make_unique<T>(m_key, std::forward<Args>(args)...);
            T& result = *object;
            m_registry->Add(std::move(object));
            return result;
        }

#ifdef _WIN32
        // Saves the current bytes of `*object` as a TrackedMemoryBackup. Throws std::bad_alloc.
        template <typename T>
        void Track(T* object)
        {
            TrackMemory(static_cast<void*>(object), sizeof(T));
        }
        void TrackMemory(void* address, std::size_t size);
#endif

        // Lets go of the key: the registered objects stay, and the end of the scope does nothing.
        void Release() noexcept { m_key = 0; }

        [[nodiscard]] std::uintptr_t GetKey() const noexcept { return m_key; }

    private:
        std::uintptr_t m_key;
        TrackingRegistry* m_registry;
        std::size_t m_first;
    };
} // namespace Orvel::Hook
