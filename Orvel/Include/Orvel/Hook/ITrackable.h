#pragma once
// A piece of tracked state that can be written back, registered under the key of the tracking
// scope that saved it.

#include <cstdint>

namespace Orvel::Hook
{
    class ITrackable
    {
    public:
        explicit ITrackable(std::uintptr_t key) noexcept : m_key(key) {}
        virtual ~ITrackable() = default;
        ITrackable(const ITrackable&) = delete;
        ITrackable& operator=(const ITrackable&) = delete;

        // Writes the saved state back. It runs while a scope ends, possibly during unwinding, so it
        // must not throw.
        virtual void Restore() noexcept = 0;

        [[nodiscard]] std::uintptr_t GetKey() const noexcept { return m_key; }
        // Whether the state has been written back (by the end of the scope that registered it).
        [[nodiscard]] bool IsRestored() const noexcept { return m_restored; }
        void MarkRestored() noexcept { m_restored = true; }

    private:
        std::uintptr_t m_key;
        bool m_restored = false;
    };
} // namespace Orvel::Hook
