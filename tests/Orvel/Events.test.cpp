#include "Orvel/Events.h"
#include "Orvel/Function.h"

#include <array>
#include <memory>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

static std::vector<std::string> Calls; // of the handlers without captures
using Handler = Orvel::Function<void(std::string_view, int)>;

// Function pointers run before callables, each in the order added, each with its own copy of the
// arguments; a failing handler does not stop the others, and the failures are gathered by kind.
TEST(EventHandler, RunsEveryHandlerAndGathersTheFailures)
{
    Orvel::EventHandler<std::string> event;
    NimbravaTest::AllocationCounter counter;
    EXPECT_NO_THROW(event.Raise("none"));
    EXPECT_EQ(counter.Count(), 0u) << "raising without handlers";
    EXPECT_THROW(event.AddFunction(nullptr), Orvel::InvalidOperationException);
    EXPECT_TRUE(event.Empty());

    event.AddCallable([](std::string value) {
        Calls.push_back("callable " + value);
        value = "changed";
    });
    event.AddFunction([](std::string value) { Calls.push_back("second " + value); });
    void (*const io)(std::string) = [](std::string) { throw Orvel::IOException("Unable to read file {}", "a.ini"); };
    event.AddFunction(io);
    event.AddFunction([](std::string value) { Calls.push_back("first " + value); });
    void (*const other)(std::string) = [](std::string) { throw 42; };
    event.AddFunction(other);
    const auto empty = event.AddCallable(Orvel::Function<void(std::string)>());
    const auto logic = event.AddCallable([](std::string) { throw std::logic_error("logic"); });
    event.AddCallable([](std::string value) { Calls.push_back("last " + value); });

    const auto e = NimbravaTest::Caught<Orvel::AggregateException>([&] { event.Raise("x"); });
    EXPECT_EQ(Calls, (std::vector<std::string>{"second x", "first x", "callable x", "last x"}));
    EXPECT_EQ(e.ToString(),
              "AggregateException(One or more error(s) occurred)\n{\n\tGenericException(Unable to read "
              "file a.ini)\n\tGenericException(Bad function call)\n\tstd::exception(logic)\n\tUnkownException\n}\n");
    EXPECT_NE(std::string(e.GetLocation().file_name()).find("Events.h"), std::string::npos);

    // Each raise starts afresh: without the failing handlers nothing is thrown.
    EXPECT_TRUE(event.RemoveFunction(io));
    EXPECT_FALSE(event.RemoveFunction(io));
    EXPECT_TRUE(event.RemoveCallable(empty));
    EXPECT_FALSE(event.RemoveCallable(empty));
    EXPECT_TRUE(event.RemoveCallable(logic));
    EXPECT_TRUE(event.RemoveFunction(other));
    Calls.clear();
    EXPECT_NO_THROW(event.Raise("y"));
    EXPECT_EQ(Calls, (std::vector<std::string>{"second y", "first y", "callable y", "last y"}));
}

TEST(Function, SmallCallablesLiveInlineLargeOnesOnTheHeapAndEachIsDestroyedOnce)
{
    std::string calls;
    const auto token = std::make_shared<int>(); // its use count: how many stored callables hold it
    const std::array<char, 64> large{'L'};
    {
        NimbravaTest::AllocationCounter counter;
        Handler small = [token, &calls](std::string_view text, int n) {
            calls += std::string(text) + std::to_string(n);
        };
        Handler moved = std::move(small);
        Handler assigned;
        assigned = std::move(moved);
        assigned.Invoke("a", 1);
        EXPECT_EQ(counter.Count(), 0u) << "small callables live inline";
        EXPECT_EQ(token.use_count(), 2) << "moved, not copied";

        Handler big = [large, &calls](std::string_view text, int n) {
            calls += large[0] + std::string(text) + std::to_string(n);
        };
        Handler taken = std::move(big);
        EXPECT_EQ(counter.Count(), 1u) << "moving a heap callable hands over the block";
        EXPECT_FALSE(static_cast<bool>(big));
        taken.Invoke("b", 2);
        assigned = std::move(taken);
        EXPECT_EQ(token.use_count(), 1) << "assignment destroys what was stored";
        assigned.Invoke("c", 3);
    }
    EXPECT_EQ(token.use_count(), 1) << "a stored callable destroyed twice";
    EXPECT_EQ(calls, "a1Lb2Lc3");

    // A null function pointer makes an empty Function, not a call through null.
    void (*none)(std::string_view, int) = nullptr;
    for (const Handler& empty : {Handler(), Handler(none)})
    {
        EXPECT_FALSE(static_cast<bool>(empty));
        const auto e = NimbravaTest::Caught<Orvel::InvalidOperationException>([&] { empty.Invoke("x", 1); });
        EXPECT_EQ(e.ToString(), "InvalidOperationException(Bad function call)");
        EXPECT_NE(std::string(e.GetLocation().file_name()).find("Function.h"), std::string::npos);
    }
}
