#include "Orvel/Log.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "TempDirectory.h"

namespace
{
#ifdef _WIN32
    constexpr std::string_view LineEnd = "\r\n"; // the log is a text file
#else
    constexpr std::string_view LineEnd = "\n";
#endif

    std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find(LineEnd, start)) != std::string::npos; start = end + LineEnd.size())
            lines.push_back(text.substr(start, end - start));
        if (start < text.size())
            lines.push_back(text.substr(start) + "<no line end>");
        return lines;
    }

    // Read from the clock the logger reads: C time() may still show the previous second for a few
    // milliseconds after the system clock has begun the next one.
    std::string LocalTimeNow()
    {
        const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        std::tm local{};
#ifdef _WIN32
        localtime_s(&local, &now);
#else
        localtime_r(&now, &local);
#endif
        char text[32];
        return {text, std::strftime(text, sizeof text, "%Y/%m/%d - %H:%M:%S", &local)};
    }

    const std::string Rule(120, '-');

    class LoggerTest : public ::testing::Test
    {
    protected:
        std::vector<std::string> OpenLogAndRead(const std::function<void(Orvel::Logger&)>& body,
                                                std::string_view displayName = "Nimbrava")
        {
            {
                Orvel::Logger logger;
                Configure(logger);
                logger.Open(File, displayName);
                body(logger);
            }
            return Lines(NimbravaTest::ReadFile(File));
        }

        std::function<void(Orvel::Logger&)> Configure = [](Orvel::Logger&) {};
        NimbravaTest::TempDirectory Directory;
        std::filesystem::path File = Directory / "Nimbrava.log";
    };
} // namespace

TEST_F(LoggerTest, BannerThenTimestampedTaggedLines)
{
    std::string before;
    std::string after;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        before = LocalTimeNow();
        logger.Log(Orvel::LogLevel::Message, "{}", "Initialized successfully");
        after = LocalTimeNow();
        logger.Log(Orvel::LogLevel::Warning, "Unable to find weatherlist '{}' for worldspace {:X}.", "a.ini", 0x3Cu);
        logger.Log(Orvel::LogLevel::Error, "{}", "e");
        logger.Log(Orvel::LogLevel::Fatal, "{}", "f");
        logger.Log(Orvel::LogLevel::Default, "{}", "default");
    });
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], "Logging stream for \"Nimbrava\" successfully initialized");
    EXPECT_EQ(lines[1], "Date and time format: YYYY/MM/DD - HH:MM:SS");
    EXPECT_EQ(lines[2], Rule);

    const std::regex stamp(R"(\d{4}/\d{2}/\d{2} - \d{2}:\d{2}:\d{2})");
    const std::string first = lines[3];
    ASSERT_GE(first.size(), 21u);
    EXPECT_TRUE(std::regex_match(first.substr(0, 21), stamp)) << first;
    EXPECT_TRUE(first.substr(0, 21) == before || first.substr(0, 21) == after) << first << " vs " << before;
    EXPECT_EQ(first.substr(21), " [MESSAGE] Initialized successfully");
    EXPECT_EQ(lines[4].substr(21), " [WARNING] Unable to find weatherlist 'a.ini' for worldspace 3C.");
    EXPECT_EQ(lines[5].substr(21), " [ERROR]   e");
    EXPECT_EQ(lines[6].substr(21), " [FATAL]   f");
    EXPECT_EQ(lines[7].substr(21), " [MESSAGE] default");
}

TEST_F(LoggerTest, TimestampFollowsTheClockAcrossSeconds)
{
    std::vector<std::pair<std::string, std::string>> brackets;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        for (int i = 0; i < 3; ++i)
        {
            const std::string before = LocalTimeNow();
            logger.Log(Orvel::LogLevel::Message, "tick {}", i);
            brackets.emplace_back(before, LocalTimeNow());
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
        }
    });
    ASSERT_EQ(lines.size(), 6u);
    std::set<std::string> distinct;
    for (int i = 0; i < 3; ++i)
    {
        const std::string shown = lines[3 + static_cast<std::size_t>(i)].substr(0, 21);
        distinct.insert(shown);
        EXPECT_TRUE(shown == brackets[static_cast<std::size_t>(i)].first ||
                    shown == brackets[static_cast<std::size_t>(i)].second)
            << shown;
    }
    EXPECT_GE(distinct.size(), 2u) << "1.2 s of logging spans at least two seconds";
}

TEST_F(LoggerTest, DebugIsFilteredOutWithoutFormattingAnything)
{
    int raised = 0;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.AddLineHandler([&raised](std::string_view, Orvel::LogLevel) { ++raised; });
        logger.Log(Orvel::LogLevel::Debug, "{}", "hidden");
        const std::string longText(5000, 'x');
        NimbravaTest::AllocationCounter counter;
        logger.Log(Orvel::LogLevel::Debug, "{}", longText);
        EXPECT_EQ(counter.Count(), 0u);
        EXPECT_EQ(logger.LineCapacity(), 1024u) << "nothing was formatted";
    });
    EXPECT_EQ(lines.size(), 3u);
    EXPECT_EQ(raised, 0);
}

// Each row changes the logger's settings, logs one line and names the line that must follow in the
// file (the timestamp, when written, is the first 21 characters and not compared).
TEST_F(LoggerTest, SettingsShapeEachLine)
{
    struct Row
    {
        bool Timestamp;
        bool Tag;
        std::uint32_t Indent;
        Orvel::LogLevel Minimum;
        Orvel::LogLevel Level;
        std::string_view Text;
        std::string_view Line; // empty: nothing is written
    };
    using enum Orvel::LogLevel;
    const Row rows[] = {
        {false, true, 0, Message, Message, "no time", " [MESSAGE] no time"},
        {false, false, 0, Message, Message, "bare", "bare"},
        {true, false, 0, Message, Message, "m", "m"},
        {false, true, 2, Message, Error, "x", "       [ERROR]   x"},
        {false, true, 0, Message, static_cast<Orvel::LogLevel>(9), "nine", "nine"},
        {false, true, 0, Message, Debug, "hidden", ""},
        {false, true, 0, Debug, Debug, "d", " [DEBUG]   d"},
    };
    Configure = [](Orvel::Logger& logger) { logger.WriteTimestamp = false; };
    std::vector<std::string> expected;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.IndentWidth = 3;
        for (const auto& row : rows)
        {
            logger.WriteTimestamp = row.Timestamp;
            logger.WriteLevelTag = row.Tag;
            logger.IndentDepth = row.Indent;
            logger.MinimumLevel = row.Minimum;
            logger.Log(row.Level, "{}", row.Text);
            if (!row.Line.empty())
                expected.push_back(std::string(row.Timestamp ? 21 : 0, '?') + std::string(row.Line));
        }
    });
    ASSERT_EQ(lines.size(), 2 + expected.size());
    EXPECT_EQ(lines[1], Rule) << "no date-format line without timestamps";
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        const bool stamped = expected[i].starts_with('?');
        EXPECT_EQ(stamped ? lines[2 + i].substr(21) : lines[2 + i], stamped ? expected[i].substr(21) : expected[i]);
    }
}

TEST_F(LoggerTest, OpeningAnExistingLogEmptiesItAndTheBannerNeedsNoDisplayName)
{
    NimbravaTest::WriteFile(File, std::string(10000, 'o') + "\n");
    const auto lines = OpenLogAndRead([](Orvel::Logger&) {}, "");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Logging stream successfully initialized");
    EXPECT_EQ(lines[2], Rule);
}

TEST_F(LoggerTest, OpeningInAMissingDirectoryThrowsWithErrno)
{
    Orvel::Logger logger;
    const auto path = Directory / "missing" / "Nimbrava.log";
    try
    {
        logger.Open(path, "Nimbrava");
        FAIL() << "no exception";
    }
    catch (const Orvel::LogFileOpenException& e)
    {
        EXPECT_EQ(e.GetErrnoValue(), ENOENT);
        EXPECT_EQ(e.GetMessage(), "Couldn't open logging file '" + path.string() + "'");
    }
    EXPECT_FALSE(logger.IsOpen());
    EXPECT_NO_THROW(logger.Log(Orvel::LogLevel::Message, "{}", "goes nowhere"));
}

TEST_F(LoggerTest, LoggingBeforeOpenWritesNothingButRaises)
{
    std::string seen;
    const auto lines = OpenLogAndRead([](Orvel::Logger&) {});
    {
        Orvel::Logger logger;
        logger.AddLineHandler([&seen](std::string_view line, Orvel::LogLevel) { seen = line; });
        EXPECT_NO_THROW(logger.Log(Orvel::LogLevel::Message, "{}", "early"));
        EXPECT_FALSE(logger.IsOpen());
        logger.Open(File, "Nimbrava");
    }
    EXPECT_TRUE(seen.ends_with(" [MESSAGE] early")) << seen;
    EXPECT_EQ(Lines(NimbravaTest::ReadFile(File)), lines) << "the early line was not kept for the file";
}

// Another process (a player's log viewer) sees each line as soon as it is logged.
TEST_F(LoggerTest, EachLineIsOnDiskWhenLogReturns)
{
    Orvel::Logger logger;
    logger.Open(File, "Nimbrava");
    EXPECT_EQ(Lines(NimbravaTest::ReadFile(File)).size(), 3u) << "the banner is flushed";
    logger.Log(Orvel::LogLevel::Message, "{}", "now");
    const auto lines = Lines(NimbravaTest::ReadFile(File));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[3].substr(21), " [MESSAGE] now");
}

TEST_F(LoggerTest, WithoutFlushingLinesWaitInTheBuffer)
{
    Orvel::Logger logger;
    logger.FlushEachLine = false;
    logger.Open(File, "Nimbrava");
    logger.Log(Orvel::LogLevel::Message, "{}", "later");
    EXPECT_EQ(NimbravaTest::ReadFile(File), "");
}

// A line of 1024 characters with its line feed fits the inline buffer; one more grows it to 2048,
// where it stays.
TEST_F(LoggerTest, LineBufferGrowsOnceAndKeepsItsCapacity)
{
    Configure = [](Orvel::Logger& logger) { logger.WriteTimestamp = false; };
    std::vector<std::uint64_t> capacities;
    const std::string fits(1024 - 11 - 1, 'a');
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.Log(Orvel::LogLevel::Message, "{}", fits);
        capacities.push_back(logger.LineCapacity());
        logger.Log(Orvel::LogLevel::Message, "{}b", fits);
        capacities.push_back(logger.LineCapacity());
        logger.Log(Orvel::LogLevel::Message, "{}", "short");
        capacities.push_back(logger.LineCapacity());
    });
    EXPECT_EQ(capacities, (std::vector<std::uint64_t>{1024, 2048, 2048}));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2].size(), 1023u);
    EXPECT_EQ(lines[3], " [MESSAGE] " + fits + "b");
    EXPECT_EQ(lines[4], " [MESSAGE] short");
}

TEST_F(LoggerTest, ALineThatOutgrowsTheBufferTwiceKeepsEveryCharacter)
{
    Configure = [](Orvel::Logger& logger) { logger.WriteTimestamp = false; };
    const std::string a(1500, 'a');
    const std::string b(2000, 'b');
    std::uint64_t capacity = 0;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.Log(Orvel::LogLevel::Message, "{}|{:X}|{}|{}", a, 0x3Cu, b, 7);
        capacity = logger.LineCapacity();
    });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], " [MESSAGE] " + a + "|3C|" + b + "|7");
    EXPECT_EQ(capacity, 4096u);
}

TEST_F(LoggerTest, LinesUpTo1024CharactersAllocateNothing)
{
    std::size_t allocations = 99;
    OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.AddLineHandler([](std::string_view, Orvel::LogLevel) {});
        logger.Log(Orvel::LogLevel::Message, "Worldspace changed. New ID: {:X}", 0x3Cu);
        const std::string text(900, 'w');
        NimbravaTest::AllocationCounter counter;
        for (unsigned i = 0; i < 50; ++i)
        {
            logger.Log(Orvel::LogLevel::Message, "Worldspace changed. New ID: {:X}", i);
            logger.Log(Orvel::LogLevel::Warning, "{} {}", text, i);
        }
        allocations = counter.Count();
    });
    EXPECT_EQ(allocations, 0u);
}

TEST_F(LoggerTest, LineEventGetsTheLineWithoutLineFeedAndTheEffectiveLevel)
{
    std::vector<std::pair<std::string, Orvel::LogLevel>> seen;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.AddLineHandler(
            [&seen](std::string_view line, Orvel::LogLevel level) { seen.emplace_back(std::string(line), level); });
        logger.Log(Orvel::LogLevel::Default, "{}", "one");
        logger.Log(Orvel::LogLevel::Error, "{}", "two");
    });
    ASSERT_EQ(seen.size(), 2u);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(seen[0].first, lines[3]);
    EXPECT_EQ(seen[0].second, Orvel::LogLevel::Message);
    EXPECT_EQ(seen[1].first, lines[4]);
    EXPECT_EQ(seen[1].second, Orvel::LogLevel::Error);
}

TEST_F(LoggerTest, FailingHandlersAreGatheredAfterTheLineIsWritten)
{
    int calls = 0;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        logger.AddLineHandler([&calls](std::string_view, Orvel::LogLevel) { ++calls; });
        logger.AddLineHandler([](std::string_view, Orvel::LogLevel) { throw std::runtime_error("mirror failed"); });
        logger.AddLineHandler(Orvel::Function<void(std::string_view, Orvel::LogLevel)>());
        logger.AddLineHandler([&calls](std::string_view, Orvel::LogLevel) { ++calls; });
        try
        {
            logger.Log(Orvel::LogLevel::Message, "{}", "first");
            ADD_FAILURE() << "no exception";
        }
        catch (const Orvel::AggregateException& e)
        {
            ASSERT_EQ(e.StandardExceptions.size(), 1u);
            EXPECT_STREQ(e.StandardExceptions[0]->what(), "mirror failed");
            ASSERT_EQ(e.GenericExceptions.size(), 1u);
            EXPECT_EQ(e.GenericExceptions[0]->ToString(), "GenericException(Bad function call)");
        }
        EXPECT_EQ(calls, 2);

        // Both locks were released: this thread and another can log again.
        EXPECT_THROW(logger.Log(Orvel::LogLevel::Message, "{}", "second"), Orvel::AggregateException);
        std::thread other([&logger] {
            EXPECT_THROW(logger.Log(Orvel::LogLevel::Message, "{}", "third"), Orvel::AggregateException);
        });
        other.join();
    });
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3].substr(21), " [MESSAGE] first");
    EXPECT_EQ(lines[5].substr(21), " [MESSAGE] third");
    EXPECT_EQ(calls, 6);
}

TEST_F(LoggerTest, ConcurrentLinesNeverInterleave)
{
    constexpr int Threads = 4;
    constexpr int PerThread = 2000;
    const auto lines = OpenLogAndRead([&](Orvel::Logger& logger) {
        std::vector<std::thread> threads;
        for (int t = 0; t < Threads; ++t)
            threads.emplace_back([&logger, t] {
                const std::string payload(static_cast<std::size_t>(40 + t * 30), static_cast<char>('a' + t));
                for (int i = 0; i < PerThread; ++i)
                    logger.Log(Orvel::LogLevel::Message, "thread {} line {} {}", t, i, payload);
            });
        for (auto& thread : threads)
            thread.join();
    });
    ASSERT_EQ(lines.size(), 3u + Threads * PerThread);
    std::vector<int> next(Threads, 0);
    const std::regex pattern(R"(\d{4}/\d{2}/\d{2} - \d{2}:\d{2}:\d{2} \[MESSAGE\] thread (\d) line (\d+) ([a-z]+))");
    for (std::size_t i = 3; i < lines.size(); ++i)
    {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, pattern)) << lines[i];
        const int t = std::stoi(match[1]);
        ASSERT_LT(t, Threads);
        EXPECT_EQ(std::stoi(match[2]), next[static_cast<std::size_t>(t)]++) << "each thread's lines stay in order";
        EXPECT_EQ(match[3].str(), std::string(40 + static_cast<std::size_t>(t) * 30, static_cast<char>('a' + t)));
    }
}
