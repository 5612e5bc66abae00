#include "Orvel/Function.h"

#include <array>
#include <string>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

namespace
{
    // Counts its destructions (a moved-from one does not count), to catch double or missing ones.
    struct Tracked
    {
        int* Destroyed;
        std::string* Calls;
        Tracked(int* destroyed, std::string* calls) : Destroyed(destroyed), Calls(calls) {}
        Tracked(Tracked&& other) noexcept : Destroyed(std::exchange(other.Destroyed, nullptr)), Calls(other.Calls) {}
        ~Tracked()
        {
            if (Destroyed != nullptr)
                ++*Destroyed;
        }
        void operator()(std::string_view text, int n) const { *Calls += std::string(text) + std::to_string(n); }
    };

    struct Large
    {
        std::array<char, 64> Bytes{'L'};
        std::string* Calls;
        void operator()(std::string_view text, int n) const
        {
            *Calls += Bytes[0] + std::string(text) + std::to_string(n);
        }
    };

    using Handler = Orvel::Function<void(std::string_view, int)>;
} // namespace

// The table pointer, the object word and 24 bytes of inline storage.
static_assert(sizeof(Handler) == 40);

TEST(Function, SmallCallablesLiveInlineLargeOnesOnTheHeapAndEachIsDestroyedOnce)
{
    int destroyed = 0;
    std::string calls;
    {
        NimbravaTest::AllocationCounter counter;
        Handler small = Tracked(&destroyed, &calls);
        Handler moved = std::move(small);
        Handler assigned;
        assigned = std::move(moved);
        assigned.Invoke("a", 1);
        EXPECT_EQ(counter.Count(), 0u) << "small callables live inline";
        EXPECT_EQ(destroyed, 0);

        Handler large = Large{{'L'}, &calls};
        Handler taken = std::move(large);
        EXPECT_EQ(counter.Count(), 1u) << "moving a heap callable hands over the block";
        EXPECT_FALSE(static_cast<bool>(large));
        taken.Invoke("b", 2);
        assigned = std::move(taken);
        EXPECT_EQ(destroyed, 1) << "assignment destroys what was stored";
        assigned.Invoke("c", 3);
    }
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(calls, "a1Lb2Lc3");
}

// A null function pointer makes an empty Function, not a call through null.
TEST(Function, CallingAnEmptyFunctionThrowsBadFunctionCall)
{
    void (*none)(std::string_view, int) = nullptr;
    const Handler empties[] = {Handler(), Handler(none)};
    for (const auto& empty : empties)
    {
        EXPECT_FALSE(static_cast<bool>(empty));
        const auto e = NimbravaTest::Caught<Orvel::InvalidOperationException>([&] { empty.Invoke("x", 1); });
        EXPECT_EQ(e.ToString(), "InvalidOperationException(Bad function call)");
        EXPECT_NE(std::string(e.GetLocation().file_name()).find("Function.h"), std::string::npos);
    }
}
