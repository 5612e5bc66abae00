#include "Orvel/Events.h"

#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

namespace
{
    std::vector<std::string> Calls;

    void First(int value)
    {
        Calls.push_back("first " + std::to_string(value));
    }
    void Throwing(int)
    {
        throw std::runtime_error("second failed");
    }
    void Third(int value)
    {
        Calls.push_back("third " + std::to_string(value));
    }

    class EventHandlerTest : public ::testing::Test
    {
    protected:
        void SetUp() override { Calls.clear(); }
        Orvel::EventHandler<int> Event;
    };

    Orvel::AggregateException RaiseExpectingFailure(const Orvel::EventHandler<int>& event, int value)
    {
        try
        {
            event.Raise(value);
        }
        catch (const Orvel::AggregateException& e)
        {
            return e;
        }
        ADD_FAILURE() << "Raise did not throw";
        return Orvel::AggregateException();
    }
} // namespace

TEST_F(EventHandlerTest, WithoutHandlersRaiseDoesNothingAndAllocatesNothing)
{
    NimbravaTest::AllocationCounter counter;
    EXPECT_NO_THROW(Event.Raise(1));
    EXPECT_EQ(counter.Count(), 0u);
}

TEST_F(EventHandlerTest, FunctionsRunBeforeCallablesInOrder)
{
    Event.AddCallable([](int v) { Calls.push_back("callable " + std::to_string(v)); });
    Event.AddFunction(&Third);
    Event.AddFunction(&First);
    Event.Raise(4);
    EXPECT_EQ(Calls, (std::vector<std::string>{"third 4", "first 4", "callable 4"}));
}

TEST_F(EventHandlerTest, AFailingHandlerDoesNotStopTheOthers)
{
    Event.AddFunction(&First);
    Event.AddFunction(&Throwing);
    Event.AddFunction(&Third);
    const auto aggregate = RaiseExpectingFailure(Event, 1);
    EXPECT_EQ(Calls, (std::vector<std::string>{"first 1", "third 1"}));
    ASSERT_EQ(aggregate.StandardExceptions.size(), 1u);
    EXPECT_STREQ(aggregate.StandardExceptions[0]->what(), "second failed");
    EXPECT_TRUE(aggregate.GenericExceptions.empty());
    EXPECT_TRUE(aggregate.OtherExceptions.empty());
    EXPECT_NE(std::string(aggregate.GetLocation().file_name()).find("Events.h"), std::string::npos);
}

TEST_F(EventHandlerTest, FailuresLandInTheirLists)
{
    Event.AddFunction([](int) { throw Orvel::IOException("Unable to read file {}", "a.ini"); });
    Event.AddFunction([](int) { throw 42; });
    Event.AddCallable(Orvel::Function<void(int)>());
    Event.AddCallable([](int) { throw std::logic_error("logic"); });
    Event.AddCallable([](int v) { Calls.push_back("last " + std::to_string(v)); });
    const auto aggregate = RaiseExpectingFailure(Event, 9);
    EXPECT_EQ(Calls, (std::vector<std::string>{"last 9"}));
    EXPECT_EQ(aggregate.ToString(), "AggregateException(One or more error(s) occurred)\n"
                                    "{\n"
                                    "\tGenericException(Unable to read file a.ini)\n"
                                    "\tGenericException(Bad function call)\n"
                                    "\tstd::exception(logic)\n"
                                    "\tUnkownException\n"
                                    "}\n");
}

TEST_F(EventHandlerTest, EachRaiseStartsAfresh)
{
    bool fail = true;
    Event.AddCallable([&fail](int) {
        if (fail)
            throw std::runtime_error("once");
    });
    EXPECT_THROW(Event.Raise(1), Orvel::AggregateException);
    fail = false;
    EXPECT_NO_THROW(Event.Raise(1));
}

TEST_F(EventHandlerTest, HandlersCanBeRemoved)
{
    Event.AddFunction(&First);
    const auto id = Event.AddCallable([](int) { Calls.push_back("callable"); });
    Event.AddCallable([](int) { Calls.push_back("kept"); });
    EXPECT_TRUE(Event.RemoveFunction(&First));
    EXPECT_FALSE(Event.RemoveFunction(&First));
    EXPECT_TRUE(Event.RemoveCallable(id));
    EXPECT_FALSE(Event.RemoveCallable(id));
    Event.Raise(0);
    EXPECT_EQ(Calls, (std::vector<std::string>{"kept"}));
}

TEST_F(EventHandlerTest, NullFunctionsAreRefused)
{
    EXPECT_THROW(Event.AddFunction(nullptr), Orvel::InvalidOperationException);
    EXPECT_TRUE(Event.Empty());
}

TEST_F(EventHandlerTest, ArgumentsAreCopiesPerHandler)
{
    Orvel::EventHandler<std::string> event;
    std::vector<std::string> seen;
    event.AddCallable([&seen](std::string s) {
        seen.push_back(s);
        s = "changed";
    });
    event.AddCallable([&seen](std::string s) { seen.push_back(s); });
    event.Raise("original");
    EXPECT_EQ(seen, (std::vector<std::string>{"original", "original"}));
}
