#pragma once
// Whether a narrow file name is one of ENB's weather list reads: its last 16 bytes are exactly
// "_weatherlist.ini". Portable (no Windows header), so that it is tested in both builds.
//
// The redirection hooks run this on every file ENB opens and every section it reads, so it counts
// the name's bytes itself, 64 at a time: the Windows C runtime's strlen scans one byte at a time.
// AVX2 is used where the processor has it, SSE2 (which every x86-64 processor has) elsewhere.

#include <cstddef>
#include <cstdint>
#include <cstring>

#if !defined(__SSE2__)
#error "The weatherlist suffix test needs SSE2 (every x86-64 processor has it)."
#endif
#include <immintrin.h>

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

        // The same for 64 bytes held as two AVX2 vectors.
        __attribute__((target("avx2"))) inline bool HasZeroByte(__m256i low, __m256i high) noexcept
        {
            return _mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_min_epu8(low, high), _mm256_setzero_si256())) != 0;
        }

        __attribute__((target("avx2"))) inline std::uint64_t ZeroBytes(__m256i low, __m256i high) noexcept
        {
            const __m256i zero = _mm256_setzero_si256();
            return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(low, zero))) |
                   static_cast<std::uint64_t>(
                       static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(high, zero))))
                       << 32;
        }

        __attribute__((target("avx2"))) inline __m256i Load256(const char* at, bool aligned) noexcept
        {
            const auto* vector = reinterpret_cast<const __m256i*>(at);
            return aligned ? _mm256_load_si256(vector) : _mm256_loadu_si256(vector);
        }
    } // namespace SuffixDetail

    // The count of bytes before the terminating NUL, 64 bytes per step. No byte is read from a page
    // that the name does not reach: the first 64 bytes are read as they lie only when they share the
    // name's page, and every later read is of a 64-byte aligned block, which never straddles a page.
    // The bytes read beyond the NUL are never used; AddressSanitizer would report them, hence the
    // attribute. Two forms of one algorithm: SSE2 and AVX2.
    __attribute__((no_sanitize("address"))) inline std::size_t WeatherlistNameLengthSse2(const char* name) noexcept
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

    __attribute__((target("avx2"), no_sanitize("address"))) inline std::size_t WeatherlistNameLengthAvx2(
        const char* name) noexcept
    {
        using namespace SuffixDetail;
        const auto address = reinterpret_cast<std::uintptr_t>(name);
        const char* block;
        if (address % PageSize <= PageSize - 64)
        {
            const __m256i low = Load256(name, false), high = Load256(name + 32, false);
            if (HasZeroByte(low, high))
                return static_cast<std::size_t>(__builtin_ctzll(ZeroBytes(low, high)));
            block = reinterpret_cast<const char*>((address + 64) & ~std::uintptr_t{63});
        }
        else
        {
            block = reinterpret_cast<const char*>(address & ~std::uintptr_t{63});
            if (const std::uint64_t zeros =
                    ZeroBytes(Load256(block, true), Load256(block + 32, true)) >> (address & 63);
                zeros != 0)
                return static_cast<std::size_t>(__builtin_ctzll(zeros));
            block += 64;
        }
        for (;; block += 64)
        {
            const __m256i low = Load256(block, true), high = Load256(block + 32, true);
            if (HasZeroByte(low, high))
                return static_cast<std::size_t>(block - name) +
                       static_cast<std::size_t>(__builtin_ctzll(ZeroBytes(low, high)));
        }
    }

    // Whether this processor has AVX2, decided once when the program or library starts.
    inline const bool WeatherlistSuffixUsesAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);

    inline std::size_t WeatherlistNameLength(const char* name) noexcept
    {
        return WeatherlistSuffixUsesAvx2 ? WeatherlistNameLengthAvx2(name) : WeatherlistNameLengthSse2(name);
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
