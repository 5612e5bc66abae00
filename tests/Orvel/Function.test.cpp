#include "Orvel/Function.h"

#include <array>
#include <memory>
#include <string>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

namespace
{
    // Counts how often instances are destroyed, to catch double or missing destruction.
    struct Tracked
    {
        int* Destroyed;
        int* Calls;
        explicit Tracked(int* destroyed, int* calls) : Destroyed(destroyed), Calls(calls) {}
        Tracked(Tracked&& other) noexcept : Destroyed(other.Destroyed), Calls(other.Calls)
        {
            other.Destroyed = nullptr;
        }
        Tracked(const Tracked&) = delete;
        ~Tracked()
        {
            if (Destroyed != nullptr)
                ++*Destroyed;
        }
        void operator()(int value) const { *Calls += value; }
    };

    struct Large
    {
        std::array<char, 64> Bytes{};
        int* Calls;
        void operator()(int value) const { *Calls += value + Bytes[0]; }
    };
} // namespace

// The table pointer, the object word and 24 bytes of inline storage.
static_assert(sizeof(Orvel::Function<void(int)>) == 40);

TEST(Function, SmallCallablesLiveInline)
{
    int calls = 0;
    NimbravaTest::AllocationCounter counter;
    const Orvel::Function<void(int)> f = [&calls](int v) { calls += v; };
    f.Invoke(3);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(counter.Count(), 0u);
}

TEST(Function, LargeCallablesGoToTheHeap)
{
    int calls = 0;
    std::size_t allocations = 0;
    {
        NimbravaTest::AllocationCounter counter;
        Orvel::Function<void(int)> f = Large{{}, &calls};
        Orvel::Function<void(int)> moved = std::move(f);
        allocations = counter.Count();
        moved.Invoke(2);
        EXPECT_FALSE(static_cast<bool>(f));
        EXPECT_THROW(f.Invoke(1), Orvel::InvalidOperationException);
    }
    EXPECT_EQ(allocations, 1u) << "moving a heap callable hands over the block";
    EXPECT_EQ(calls, 2);
}

TEST(Function, DestroysTheCallableExactlyOnce)
{
    int destroyed = 0;
    int calls = 0;
    {
        Orvel::Function<void(int)> f = Tracked(&destroyed, &calls);
        Orvel::Function<void(int)> g = std::move(f);
        Orvel::Function<void(int)> h;
        h = std::move(g);
        h.Invoke(5);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(calls, 5);
}

TEST(Function, AssignmentDestroysWhatWasStored)
{
    int destroyed = 0;
    int calls = 0;
    Orvel::Function<void(int)> f = Tracked(&destroyed, &calls);
    f = Orvel::Function<void(int)>([](int) {});
    EXPECT_EQ(destroyed, 1);
}

TEST(Function, EmptyFunctionIsABadCall)
{
    const Orvel::Function<void(int)> empty;
    try
    {
        empty.Invoke(1);
        FAIL() << "no exception";
    }
    catch (const Orvel::InvalidOperationException& e)
    {
        EXPECT_EQ(e.ToString(), "InvalidOperationException(Bad function call)");
        EXPECT_NE(std::string(e.GetLocation().file_name()).find("Function.h"), std::string::npos);
    }
}

TEST(Function, ANullFunctionPointerIsEmpty)
{
    void (*none)(int) = nullptr;
    const Orvel::Function<void(int)> f = none;
    EXPECT_FALSE(static_cast<bool>(f));
    EXPECT_THROW(f.Invoke(1), Orvel::InvalidOperationException);
}

TEST(Function, ArgumentsArePassedThrough)
{
    std::string seen;
    const Orvel::Function<void(std::string_view, int)> f = [&seen](std::string_view text, int n) {
        seen = std::string(text) + std::to_string(n);
    };
    f.Invoke("line", 7);
    EXPECT_EQ(seen, "line7");
}
