#pragma once
// Windows only: changes the page protection of a memory range and puts the old one back.

#include <cstddef>
#include <cstdint>

namespace Orvel::Hook
{
    // PAGE_EXECUTE_READWRITE.
    inline constexpr std::uint32_t PageExecuteReadWrite = 0x40;

    class MemoryProtectionGuard
    {
    public:
        MemoryProtectionGuard(void* address, std::size_t size) noexcept : m_address(address), m_size(size) {}
        ~MemoryProtectionGuard() { Restore(); }
        MemoryProtectionGuard(const MemoryProtectionGuard&) = delete;
        MemoryProtectionGuard& operator=(const MemoryProtectionGuard&) = delete;

        // Gives the range `protection` and keeps the protection it had. Returns whether
        // VirtualProtect succeeded; when it fails nothing is kept and the range is unchanged. Does
        // nothing and returns false when the address is null or the guard is already engaged.
        bool Engage(std::uint32_t protection) noexcept;

        // Puts the kept protection back and forgets it. Returns whether VirtualProtect succeeded;
        // false, doing nothing, when the address is null or nothing is kept.
        bool Restore() noexcept;

        // The kept protection; 0 when the guard is not engaged.
        [[nodiscard]] std::uint32_t GetOldProtection() const noexcept { return m_oldProtection; }

    private:
        std::uint32_t m_oldProtection = 0;
        void* m_address;
        std::size_t m_size;
    };
} // namespace Orvel::Hook
