// The suffix test reads whole aligned blocks around the name. Every length and alignment up to a few
// blocks, with the name's NUL on the last byte before a page that cannot be read (an overread
// crashes) and zero bytes just before the name (a block's earlier bytes must not end it); and
// starting at each offset of a page's last block, running on into the next page, with non-zero bytes
// after its NUL (the first NUL ends it).

#include "Switching/WeatherlistSuffix.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace Nimbrava;

TEST(WeatherlistSuffix, EveryLengthAndAlignment)
{
    // Three pages, the third unreadable.
#ifdef _WIN32
    const std::size_t page = 4096;
    auto* const begin = static_cast<char*>(VirtualAlloc(nullptr, 3 * page, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    DWORD old = 0;
    ASSERT_TRUE(begin != nullptr && VirtualProtect(begin + 2 * page, page, PAGE_NOACCESS, &old));
#else
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    auto* const begin =
        static_cast<char*>(mmap(nullptr, 3 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(begin, MAP_FAILED);
    ASSERT_EQ(mprotect(begin + 2 * page, page, PROT_NONE), 0);
#endif
    // The others differ in their first or last byte only: a name ending in them never passes.
    for (const std::string_view suffix : {"_weatherlist.ini", "xweatherlist.ini", "_weatherlist.inI"})
        for (std::size_t length = 0; length <= 300; ++length)
            for (int offset = -1; offset < 64; ++offset)
            {
                // -1: ending on the second page's last byte, zeros before; else at that offset of the first
                // page's last block, 'z' after.
                std::memset(begin + page - (offset < 0 ? 0 : 64), offset < 0 ? 0 : 'z', offset < 0 ? page : 512);
                char* name = offset < 0 ? begin + 2 * page - length - 1 : begin + page - 64 + offset;
                // Filler, then as much of the suffix as fits.
                std::memset(name, 'A', length);
                const std::size_t tail = std::min(length, suffix.size());
                std::memcpy(name + length - tail, suffix.data() + suffix.size() - tail, tail);
                name[length] = '\0';
                ASSERT_EQ(WeatherlistNameLengthSse2(name), length);
                // Both forms where the processor has both.
                ASSERT_EQ(WeatherlistSuffixUsesAvx2 ? WeatherlistNameLengthAvx2(name) : length, length);
                EXPECT_EQ(HasWeatherlistSuffix(name), length >= suffix.size() && suffix == "_weatherlist.ini") << name;
            }
#ifdef _WIN32
    VirtualFree(begin, 0, MEM_RELEASE);
#else
    munmap(begin, 3 * page);
#endif
}
