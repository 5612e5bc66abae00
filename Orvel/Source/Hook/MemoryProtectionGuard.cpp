#include "Orvel/Hook/MemoryProtectionGuard.h"

#include <windows.h>

namespace Orvel::Hook
{
    bool MemoryProtectionGuard::Engage(std::uint32_t protection) noexcept
    {
        if (m_address == nullptr || m_oldProtection != 0)
            return false;
        DWORD old = 0;
        if (!VirtualProtect(m_address, m_size, protection, &old))
            return false;
        m_oldProtection = old;
        return true;
    }

    bool MemoryProtectionGuard::Restore() noexcept
    {
        if (m_address == nullptr || m_oldProtection == 0)
            return false;
        DWORD ignored = 0;
        const bool restored = VirtualProtect(m_address, m_size, m_oldProtection, &ignored) != FALSE;
        m_oldProtection = 0;
        return restored;
    }
} // namespace Orvel::Hook
