// The suffix test reads whole aligned blocks around the name. Every length and alignment up to a few
// blocks, with the name's NUL on the last byte before a page that cannot be read (an overread
// crashes), with zero bytes just before the name (a block's earlier bytes must not end it) and with
// non-zero bytes after its NUL (the first NUL ends it).

#include "WeatherlistSuffix.h"

#include <cstddef>
#include <cstring>
#include <string_view>
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace
{
    // Two pages; the second is made unreadable.
    class GuardedPage
    {
    public:
        GuardedPage()
        {
#ifdef _WIN32
            SYSTEM_INFO info;
            GetSystemInfo(&info);
            m_size = info.dwPageSize;
            m_base = static_cast<char*>(VirtualAlloc(nullptr, 2 * m_size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
            DWORD old;
            EXPECT_TRUE(VirtualProtect(m_base + m_size, m_size, PAGE_NOACCESS, &old));
#else
            m_size = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
            void* base = mmap(nullptr, 2 * m_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
            m_base = base == MAP_FAILED ? nullptr : static_cast<char*>(base);
            EXPECT_EQ(mprotect(m_base + m_size, m_size, PROT_NONE), 0);
#endif
        }
        ~GuardedPage()
        {
#ifdef _WIN32
            VirtualFree(m_base, 0, MEM_RELEASE);
#else
            munmap(m_base, 2 * m_size);
#endif
        }
        GuardedPage(const GuardedPage&) = delete;
        GuardedPage& operator=(const GuardedPage&) = delete;

        char* Begin() const noexcept { return m_base; }
        char* End() const noexcept { return m_base + m_size; }

    private:
        char* m_base = nullptr;
        std::size_t m_size = 0;
    };

    constexpr std::string_view Suffix = "_weatherlist.ini";

    // A name of `length` bytes at `name`: filler, then as much of the suffix as fits, the first
    // suffix byte changed when `spoilt` (the name then never passes).
    void WriteName(char* name, std::size_t length, bool spoilt)
    {
        for (std::size_t i = 0; i < length; ++i)
            name[i] = static_cast<char>('A' + i % 26);
        const std::size_t tail = length < Suffix.size() ? length : Suffix.size();
        std::memcpy(name + length - tail, Suffix.data() + Suffix.size() - tail, tail);
        if (spoilt && length >= Suffix.size())
            name[length - Suffix.size()] = 'x';
        name[length] = '\0';
    }

    void ExpectName(const char* name, std::size_t length, bool spoilt)
    {
        ASSERT_EQ(Nimbrava::WeatherlistNameLength(name), length);
        EXPECT_EQ(Nimbrava::HasWeatherlistSuffix(name), length >= Suffix.size() && !spoilt) << name;
    }
} // namespace

TEST(WeatherlistSuffix, EveryLengthAndAlignment)
{
    GuardedPage page;
    ASSERT_NE(page.Begin(), nullptr);
    for (const bool spoilt : {false, true})
    {
        for (std::size_t length = 0; length <= 300; ++length)
        {
            // Ends on the page's last byte; zeros before it.
            std::memset(page.Begin(), 0, static_cast<std::size_t>(page.End() - page.Begin()));
            char* atEnd = page.End() - length - 1;
            WriteName(atEnd, length, spoilt);
            ExpectName(atEnd, length, spoilt);

            // Starts at each offset of a block; non-zero bytes after its NUL.
            for (std::size_t offset = 0; offset < 64; ++offset)
            {
                std::memset(page.Begin(), 'z', 512);
                WriteName(page.Begin() + offset, length, spoilt);
                ExpectName(page.Begin() + offset, length, spoilt);
            }
        }
    }
}
