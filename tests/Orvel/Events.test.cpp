#include "Orvel/Events.h"

#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

namespace
{
    std::vector<std::string> Calls;
    void First(std::string value)
    {
        Calls.push_back("first " + value);
    }
    void Second(std::string value)
    {
        Calls.push_back("second " + value);
    }
} // namespace

// Function pointers run before callables, each in the order added, each with its own copy of the
// arguments; a failing handler does not stop the others, and the failures are gathered by kind.
TEST(EventHandler, RunsEveryHandlerAndGathersTheFailures)
{
    Orvel::EventHandler<std::string> event;
    {
        NimbravaTest::AllocationCounter counter;
        EXPECT_NO_THROW(event.Raise("none"));
        EXPECT_EQ(counter.Count(), 0u) << "raising without handlers";
    }
    EXPECT_THROW(event.AddFunction(nullptr), Orvel::InvalidOperationException);
    EXPECT_TRUE(event.Empty());

    event.AddCallable([](std::string value) {
        Calls.push_back("callable " + value);
        value = "changed";
    });
    event.AddFunction(&Second);
    void (*const io)(std::string) = [](std::string) { throw Orvel::IOException("Unable to read file {}", "a.ini"); };
    event.AddFunction(io);
    event.AddFunction(&First);
    void (*const other)(std::string) = [](std::string) { throw 42; };
    event.AddFunction(other);
    const auto empty = event.AddCallable(Orvel::Function<void(std::string)>());
    const auto logic = event.AddCallable([](std::string) { throw std::logic_error("logic"); });
    event.AddCallable([](std::string value) { Calls.push_back("last " + value); });

    const auto e = NimbravaTest::Caught<Orvel::AggregateException>([&] { event.Raise("x"); });
    EXPECT_EQ(Calls, (std::vector<std::string>{"second x", "first x", "callable x", "last x"}));
    EXPECT_EQ(e.ToString(), "AggregateException(One or more error(s) occurred)\n"
                            "{\n"
                            "\tGenericException(Unable to read file a.ini)\n"
                            "\tGenericException(Bad function call)\n"
                            "\tstd::exception(logic)\n"
                            "\tUnkownException\n"
                            "}\n");
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
