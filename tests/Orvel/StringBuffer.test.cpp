#include "Orvel/StringBuffer.h"

#include <gtest/gtest.h>
#include "AllocationCounter.h"

// A released block that is used again, or one never released, shows under AddressSanitizer.
TEST(StringBuffer, GrowsOnceToTheNextPowerOfTwoNeverShrinksKeepsItsContentsAndFormats)
{
    Orvel::StringBuffer<1024> buffer;
    EXPECT_TRUE(buffer.IsInline());
    EXPECT_EQ(buffer.data()[0], '\0');
    NimbravaTest::AllocationCounter counter;
    buffer.append(std::string(1024, 'a'));
    EXPECT_EQ(counter.Count(), 1u) << "only the string appended: 1024 characters fit inline";
    buffer.push_back('b');
    EXPECT_EQ(buffer.capacity(), 2048u);
    buffer.append(std::string(1023, 'a'));
    buffer.push_back('c');
    EXPECT_EQ(buffer.capacity(), 4096u);
    EXPECT_EQ(counter.Count(), 4u);
    EXPECT_EQ(buffer.View(), std::string(1024, 'a') + "b" + std::string(1023, 'a') + "c");
    buffer.clear();
    buffer.append(std::string_view("short"));
    EXPECT_EQ(buffer.capacity(), 4096u);
    EXPECT_EQ(buffer.View(), "short");

    Orvel::StringBuffer<16> jump;
    NimbravaTest::AllocationCounter jumpCounter;
    jump.append(std::string(5000, 'x'));
    EXPECT_EQ(jumpCounter.Count(), 2u) << "the string, then one allocation straight to the grown size";
    EXPECT_EQ(jump.capacity(), 8192u);

    // A formatting target that never writes a terminator.
    Orvel::StringBuffer<8> target;
    fmt::format_to(std::back_inserter(target), "{}-{:X}-{}", "worldspace", 0x3C, std::string(20, 'z'));
    EXPECT_EQ(target.View(), "worldspace-3C-" + std::string(20, 'z'));
    EXPECT_EQ(target.capacity(), 64u);
    target.clear();
    fmt::format_to(std::back_inserter(target), "{}", 7);
    EXPECT_EQ(target.View(), "7") << "formatting after clear starts from the front";
    EXPECT_EQ(target.data()[1], 'o') << "old characters past the size are left alone";
}
