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

namespace
{
    constexpr std::string_view Suffix = "_weatherlist.ini";

    // Writes a name of `length` bytes at `name`: filler, then as much of the suffix as fits, its first
    // byte changed when `spoilt` (the name then never passes); and checks both forms of the test on it.
    void CheckName(char* name, std::size_t length, bool spoilt)
    {
        for (std::size_t i = 0; i < length; ++i)
            name[i] = static_cast<char>('A' + i % 26);
        const std::size_t tail = std::min(length, Suffix.size());
        std::memcpy(name + length - tail, Suffix.data() + Suffix.size() - tail, tail);
        if (spoilt && length >= Suffix.size())
            name[length - Suffix.size()] = 'x';
        name[length] = '\0';
        ASSERT_EQ(Nimbrava::WeatherlistNameLengthSse2(name), length);
        // Both forms where the processor has both.
        ASSERT_EQ(Nimbrava::WeatherlistSuffixUsesAvx2 ? Nimbrava::WeatherlistNameLengthAvx2(name) : length, length);
        EXPECT_EQ(Nimbrava::HasWeatherlistSuffix(name), length >= Suffix.size() && !spoilt) << name;
    }
} // namespace

TEST(WeatherlistSuffix, EveryLengthAndAlignment)
{
    // Two pages, the second unreadable.
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    void* mapped = mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(mapped, MAP_FAILED);
    char* const begin = static_cast<char*>(mapped);
    ASSERT_EQ(mprotect(begin + page, page, PROT_NONE), 0);
    for (const bool spoilt : {false, true})
    {
        for (std::size_t length = 0; length <= 300; ++length)
        {
            std::memset(begin, 0, page); // ends on the page's last byte; zeros before it
            CheckName(begin + page - length - 1, length, spoilt);
            for (std::size_t offset = 0; offset < 64; ++offset) // each offset of a block; 'z' after its NUL
            {
                std::memset(begin, 'z', 512);
                CheckName(begin + offset, length, spoilt);
            }
        }
    }
    munmap(mapped, 2 * page);
}
