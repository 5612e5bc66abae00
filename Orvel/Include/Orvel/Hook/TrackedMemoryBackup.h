#pragma once
// Windows only: a saved copy of a memory range that can be written back.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include "Orvel/Hook/ITrackable.h"

namespace Orvel::Hook
{
    class TrackedMemoryBackup final : public ITrackable
    {
    public:
        // Copies the `size` bytes at `address`. Throws std::bad_alloc.
        TrackedMemoryBackup(std::uintptr_t key, void* address, std::size_t size);
        // Frees the copy; never writes to the tracked memory.
        ~TrackedMemoryBackup() override = default;

        // Copies the saved bytes back over the tracked memory, making it writable for the copy,
        // then frees them. Where the memory cannot be made writable nothing is written.
        void Restore() noexcept override;

        [[nodiscard]] void* GetAddress() const noexcept { return m_address; }
        [[nodiscard]] std::size_t GetSize() const noexcept { return m_size; }
        // The saved bytes; empty after Restore.
        [[nodiscard]] std::span<const std::byte> GetBackup() const noexcept
        {
            return m_backup ? std::span<const std::byte>(m_backup.get(), m_size) : std::span<const std::byte>();
        }

    private:
        void* m_address;
        std::size_t m_size;
        std::unique_ptr<std::byte[]> m_backup;
    };
} // namespace Orvel::Hook
