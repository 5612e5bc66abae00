#include "Orvel/StringBuffer.h"

#include <cstddef>
#include <string>
#include <gtest/gtest.h>

namespace
{
    struct AllocationLog
    {
        std::size_t Allocations = 0;
        std::size_t Deallocations = 0;
        std::size_t LastSize = 0;
        std::size_t LiveCharacters = 0;
    };

    // Counts what the buffer asks of its allocator.
    template <typename T>
    struct CountingAllocator
    {
        using value_type = T;
        AllocationLog* Log;

        explicit CountingAllocator(AllocationLog* log) noexcept : Log(log) {}
        template <typename U>
        CountingAllocator(const CountingAllocator<U>& other) noexcept : Log(other.Log)
        {
        }

        T* allocate(std::size_t n)
        {
            ++Log->Allocations;
            Log->LastSize = n;
            Log->LiveCharacters += n;
            return std::allocator<T>().allocate(n);
        }
        void deallocate(T* p, std::size_t n) noexcept
        {
            ++Log->Deallocations;
            Log->LiveCharacters -= n;
            std::allocator<T>().deallocate(p, n);
        }
    };

    using CountedBuffer = Orvel::BasicStringBuffer<1024, char, std::char_traits<char>, CountingAllocator<char>>;

    void AppendCharacters(CountedBuffer& buffer, std::size_t count, char c = 'a')
    {
        for (std::size_t i = 0; i < count; ++i)
            buffer.push_back(c);
    }
} // namespace

TEST(StringBuffer, StartsEmptyInline)
{
    Orvel::StringBuffer<16> buffer;
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.capacity(), 16u);
    EXPECT_TRUE(buffer.IsInline());
    EXPECT_EQ(buffer.data()[0], '\0');
}

TEST(StringBuffer, GrowsToNextPowerOfTwoAndReleasesOldBlocks)
{
    AllocationLog log;
    {
        CountedBuffer buffer{CountingAllocator<char>(&log)};
        AppendCharacters(buffer, 1024);
        EXPECT_EQ(log.Allocations, 0u) << "1024 characters fit inline";
        EXPECT_EQ(buffer.capacity(), 1024u);

        buffer.push_back('b');
        EXPECT_EQ(log.Allocations, 1u);
        EXPECT_EQ(log.LastSize, 2048u);
        EXPECT_EQ(buffer.capacity(), 2048u);
        EXPECT_EQ(log.Deallocations, 0u) << "the inline storage is never released";

        AppendCharacters(buffer, 2048 - 1025);
        EXPECT_EQ(log.Allocations, 1u);
        buffer.push_back('c');
        EXPECT_EQ(log.Allocations, 2u);
        EXPECT_EQ(log.LastSize, 4096u);
        EXPECT_EQ(log.Deallocations, 1u) << "the 2048 block is released on growth";
        EXPECT_EQ(log.LiveCharacters, 4096u);

        // The contents survive every move.
        ASSERT_EQ(buffer.size(), 2049u);
        EXPECT_EQ(std::string(buffer.data(), 1024), std::string(1024, 'a'));
        EXPECT_EQ(buffer[1024], 'b');
        EXPECT_EQ(buffer[2047], 'a');
        EXPECT_EQ(buffer[2048], 'c');
    }
    EXPECT_EQ(log.Deallocations, 2u);
    EXPECT_EQ(log.LiveCharacters, 0u) << "destruction releases the heap block";
}

TEST(StringBuffer, NeverShrinks)
{
    AllocationLog log;
    CountedBuffer buffer{CountingAllocator<char>(&log)};
    AppendCharacters(buffer, 1500);
    ASSERT_EQ(buffer.capacity(), 2048u);
    buffer.clear();
    EXPECT_EQ(buffer.size(), 0u);
    EXPECT_EQ(buffer.capacity(), 2048u);
    AppendCharacters(buffer, 2000);
    buffer.clear();
    AppendCharacters(buffer, 10);
    EXPECT_EQ(log.Allocations, 1u);
    EXPECT_EQ(buffer.capacity(), 2048u);
}

TEST(StringBuffer, LargeJumpAllocatesOnceToTheGrownCapacity)
{
    AllocationLog log;
    CountedBuffer buffer{CountingAllocator<char>(&log)};
    const std::string text(5000, 'x');
    buffer.append(text);
    EXPECT_EQ(log.Allocations, 1u);
    EXPECT_EQ(buffer.capacity(), 8192u);
    EXPECT_EQ(buffer.View(), text);
}

TEST(StringBuffer, IsAFormattingTarget)
{
    Orvel::StringBuffer<8> buffer;
    fmt::format_to(std::back_inserter(buffer), "{}-{:X}-{}", "worldspace", 0x3C, std::string(20, 'z'));
    EXPECT_EQ(buffer.View(), "worldspace-3C-" + std::string(20, 'z'));
    EXPECT_EQ(buffer.capacity(), 64u);

    buffer.clear();
    fmt::format_to(std::back_inserter(buffer), "{}", 7);
    EXPECT_EQ(buffer.View(), "7") << "formatting after clear starts from the front";
}

TEST(StringBuffer, NeverWritesATerminator)
{
    Orvel::StringBuffer<4> buffer;
    buffer.push_back('a');
    buffer.push_back('b');
    buffer.data()[2] = 'Z';
    buffer.push_back('c');
    EXPECT_EQ(buffer.View(), "abc");
    buffer.clear();
    buffer.push_back('x');
    EXPECT_EQ(buffer.data()[1], 'b') << "old characters past the size are left alone";
}
