#pragma once
// Bounds-checked reading of an image in memory. Every read of an image that the import-table
// search makes goes through here, so that no input, however malformed, makes it read outside the
// bytes it was given.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <type_traits>

namespace Orvel::Hook
{
    static_assert(std::endian::native == std::endian::little, "image fields are read in their little-endian layout");

    // A window of `Size` readable bytes starting at `Base`. Offsets are relative to Base (an RVA
    // when Base is the image base).
    class ImageView
    {
    public:
        constexpr ImageView() noexcept = default;
        constexpr ImageView(const std::byte* base, std::uint64_t size) noexcept : m_base(base), m_size(size) {}

        [[nodiscard]] const std::byte* Base() const noexcept { return m_base; }
        [[nodiscard]] std::uint64_t Size() const noexcept { return m_size; }

        // Whether the `count` bytes at `offset` all lie inside the window.
        [[nodiscard]] constexpr bool Contains(std::uint64_t offset, std::uint64_t count) const noexcept
        {
            return offset <= m_size && count <= m_size - offset;
        }

        // The value stored at `offset` (unaligned reads are fine), or nothing when any of its bytes
        // lies outside the window; then nothing is read.
        template <typename T>
        [[nodiscard]] std::optional<T> Read(std::uint64_t offset) const noexcept
        {
            static_assert(std::is_trivially_copyable_v<T>);
            if (!Contains(offset, sizeof(T)))
                return std::nullopt;
            T value;
            std::memcpy(&value, m_base + offset, sizeof(T));
            return value;
        }

    private:
        const std::byte* m_base = nullptr;
        std::uint64_t m_size = 0;
    };
} // namespace Orvel::Hook
