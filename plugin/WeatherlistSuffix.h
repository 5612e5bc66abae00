#pragma once
// Whether a narrow file name is one of ENB's weather list reads: its last 16 bytes are exactly
// "_weatherlist.ini". Portable (no Windows header), so that it is tested in both builds.
//
// The redirection hooks run this on every file ENB opens and every section it reads, so it counts
// the name's bytes itself: the Windows C runtime's strlen scans one byte at a time.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if !defined(__SSE2__)
#error "The weatherlist suffix test needs SSE2 (every x86-64 processor has it)."
#endif
#include <emmintrin.h>

namespace Nimbrava
{
    namespace SuffixDetail
    {
        // Any smaller page size would not be x86-64; larger pages are multiples of it.
        inline constexpr std::uintptr_t PageSize = 4096;

        struct Block
        {
            __m128i Chunks[4];
        };

        template <bool aligned>
        inline Block Load(const char* at) noexcept
        {
            const auto* chunks = reinterpret_cast<const __m128i*>(at);
            if constexpr (aligned)
                return {{_mm_load_si128(chunks), _mm_load_si128(chunks + 1), _mm_load_si128(chunks + 2),
                         _mm_load_si128(chunks + 3)}};
            else
                return {{_mm_loadu_si128(chunks), _mm_loadu_si128(chunks + 1), _mm_loadu_si128(chunks + 2),
                         _mm_loadu_si128(chunks + 3)}};
        }

        // Whether the 64 bytes hold a 0 byte: one test for four chunks.
        inline bool HasZeroByte(const Block& block) noexcept
        {
            const __m128i least = _mm_min_epu8(_mm_min_epu8(block.Chunks[0], block.Chunks[1]),
                                               _mm_min_epu8(block.Chunks[2], block.Chunks[3]));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0;
        }

        // One bit per byte of the 64, set where the byte is 0.
        inline std::uint64_t ZeroBytes(const Block& block) noexcept
        {
            const auto mask = [&](int i) {
                return static_cast<std::uint64_t>(static_cast<std::uint32_t>(
                    _mm_movemask_epi8(_mm_cmpeq_epi8(block.Chunks[i], _mm_setzero_si128()))));
            };
            return mask(0) | mask(1) << 16 | mask(2) << 32 | mask(3) << 48;
        }
    } // namespace SuffixDetail

    // The count of bytes before the terminating NUL, 64 bytes per step. No byte is read from a page
    // that the name does not reach: the first 64 bytes are read as they lie only when they share the
    // name's page, and every later read is of a 64-byte aligned block, which never straddles a page.
    // The bytes read beyond the NUL are never used; AddressSanitizer would report them, hence the
    // attribute.
    __attribute__((no_sanitize("address"))) inline std::size_t WeatherlistNameLength(const char* name) noexcept
    {
        using namespace SuffixDetail;
        const auto address = reinterpret_cast<std::uintptr_t>(name);
        const char* block;
        if (address % PageSize <= PageSize - 64)
        {
            if (const Block first = Load<false>(name); HasZeroByte(first))
                return static_cast<std::size_t>(__builtin_ctzll(ZeroBytes(first)));
            block = reinterpret_cast<const char*>((address + 64) & ~std::uintptr_t{63});
        }
        else
        {
            // Near the end of its page: the aligned block around its start, without the bytes before it.
            block = reinterpret_cast<const char*>(address & ~std::uintptr_t{63});
            if (const std::uint64_t zeros = ZeroBytes(Load<true>(block)) >> (address & 63); zeros != 0)
                return static_cast<std::size_t>(__builtin_ctzll(zeros));
            block += 64;
        }
        Block next = Load<true>(block);
        while (!HasZeroByte(next))
        {
            block += 64;
            next = Load<true>(block);
        }
        return static_cast<std::size_t>(block - name) + static_cast<std::size_t>(__builtin_ctzll(ZeroBytes(next)));
    }

    // True when the NUL-terminated `name` is at least 16 bytes long and ends in exactly the bytes of
    // "_weatherlist.ini" (case counts, nothing folded; the directory and anything before the
    // underscore play no role). `name` must not be null.
    inline bool HasWeatherlistSuffix(const char* name) noexcept
    {
        const std::size_t length = WeatherlistNameLength(name);
        if (length < 16)
            return false;
        std::uint64_t front;
        std::uint64_t back;
        std::memcpy(&front, name + length - 16, 8);
        std::memcpy(&back, name + length - 8, 8);
        std::uint64_t weather;
        std::uint64_t list;
        std::memcpy(&weather, "_weather", 8);
        std::memcpy(&list, "list.ini", 8);
        return front == weather && back == list;
    }
} // namespace Nimbrava
