#include "Orvel/Hook/TrackedMemoryBackup.h"

#include <atomic>
#include <cstring>
#include "Orvel/Hook/MemoryProtectionGuard.h"

namespace Orvel::Hook
{
    TrackedMemoryBackup::TrackedMemoryBackup(std::uintptr_t key, void* address, std::size_t size)
        : ITrackable(key), m_address(address), m_size(size), m_backup(std::make_unique<std::byte[]>(size))
    {
        std::memcpy(m_backup.get(), address, size);
    }

    void TrackedMemoryBackup::Restore() noexcept
    {
        if (m_address != nullptr && m_backup)
        {
            MemoryProtectionGuard guard(m_address, m_size);
            // Writing to memory that is still read-only would fault.
            if (guard.Engage(PageExecuteReadWrite))
            {
                // A pointer-sized, aligned cell (an import slot) is written in one store, so that a
                // thread calling through it sees the old or the new pointer, never a mix.
                if (m_size == sizeof(void*) && reinterpret_cast<std::uintptr_t>(m_address) % alignof(void*) == 0)
                {
                    void* value = nullptr;
                    std::memcpy(&value, m_backup.get(), sizeof value);
                    std::atomic_ref(*static_cast<void**>(m_address)).store(value, std::memory_order_release);
                }
                else
                {
                    std::memcpy(m_address, m_backup.get(), m_size);
                }
            }
        }
        m_backup.reset();
    }
} // namespace Orvel::Hook
