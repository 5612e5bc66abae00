#pragma once
// Numbers as the game's files write them: little-endian, at any alignment.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace GameData::Detail
{
    // The files are read in place: the machines the checker runs on share the files' byte order.
    static_assert(std::endian::native == std::endian::little, "the game's files are read in place");

    // The 32-bit number at `at`.
    [[nodiscard]] inline std::uint32_t U32(const std::byte* at) noexcept
    {
        std::uint32_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
} // namespace GameData::Detail
