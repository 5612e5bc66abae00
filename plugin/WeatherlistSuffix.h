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
        // One bit per byte of the 64-byte aligned block, set where the byte is 0.
        inline std::uint64_t ZeroBytes(const char* block) noexcept
        {
            const __m128i zero = _mm_setzero_si128();
            const auto* chunks = reinterpret_cast<const __m128i*>(block);
            const auto mask = [&](int i) {
                return static_cast<std::uint64_t>(
                    static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_load_si128(chunks + i), zero))));
            };
            return mask(0) | mask(1) << 16 | mask(2) << 32 | mask(3) << 48;
        }

        // Whether the 64-byte aligned block holds a 0 byte: one test for four chunks.
        inline bool HasZeroByte(const char* block) noexcept
        {
            const auto* chunks = reinterpret_cast<const __m128i*>(block);
            const __m128i least = _mm_min_epu8(_mm_min_epu8(_mm_load_si128(chunks), _mm_load_si128(chunks + 1)),
                                               _mm_min_epu8(_mm_load_si128(chunks + 2), _mm_load_si128(chunks + 3)));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(least, _mm_setzero_si128())) != 0;
        }
    } // namespace SuffixDetail

    // The count of bytes before the terminating NUL. Reads whole 64-byte aligned blocks: such a block
    // never straddles a page, so no byte is read from a page that the name does not reach. The
    // bytes read beyond the NUL are never used; AddressSanitizer would report them, hence the
    // attribute.
    __attribute__((no_sanitize("address"))) inline std::size_t WeatherlistNameLength(const char* name) noexcept
    {
        const auto address = reinterpret_cast<std::uintptr_t>(name);
        const auto* block = reinterpret_cast<const char*>(address & ~std::uintptr_t{63});
        if (const std::uint64_t zeros = SuffixDetail::ZeroBytes(block) >> (address & 63); zeros != 0)
            return static_cast<std::size_t>(__builtin_ctzll(zeros));
        do
            block += 64;
        while (!SuffixDetail::HasZeroByte(block));
        return static_cast<std::size_t>(block - name) +
               static_cast<std::size_t>(__builtin_ctzll(SuffixDetail::ZeroBytes(block)));
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
