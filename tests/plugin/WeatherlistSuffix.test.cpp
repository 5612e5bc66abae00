// The suffix test reads whole aligned blocks around the name. Every length and alignment up to a few
// blocks, with the name's NUL on the last byte before a page that cannot be read (an overread
// crashes), with zero bytes just before the name (a block's earlier bytes must not end it) and with
// non-zero bytes after its NUL (the first NUL ends it).

#include "WeatherlistSuffix.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

using namespace Nimbrava;

TEST(WeatherlistSuffix, EveryLengthAndAlignment)
{
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    // Two pages, the second unreadable.
    auto* const begin =
        static_cast<char*>(mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(begin, MAP_FAILED);
    ASSERT_EQ(mprotect(begin + page, page, PROT_NONE), 0);
    // The second suffix differs in its first byte only: a name ending in it never passes.
    for (const std::string_view suffix : {"_weatherlist.ini", "xweatherlist.ini"})
        for (std::size_t length = 0; length <= 300; ++length)
            for (int offset = -1; offset < 64; ++offset)
            {
                // -1: ending on the page's last byte, zeros before; else at that offset of a block, 'z' after.
                std::memset(begin, offset < 0 ? 0 : 'z', offset < 0 ? page : 512);
                char* name = offset < 0 ? begin + page - length - 1 : begin + offset;
                // Filler, then as much of the suffix as fits.
                std::memset(name, 'A', length);
                const std::size_t tail = std::min(length, suffix.size());
                std::memcpy(name + length - tail, suffix.data() + suffix.size() - tail, tail);
                name[length] = '\0';
                ASSERT_EQ(WeatherlistNameLengthSse2(name), length);
                // Both forms where the processor has both.
                ASSERT_EQ(WeatherlistSuffixUsesAvx2 ? WeatherlistNameLengthAvx2(name) : length, length);
                EXPECT_EQ(HasWeatherlistSuffix(name), length >= suffix.size() && suffix[0] == '_') << name;
            }
    munmap(begin, 2 * page);
}
