#include "Orvel/Log.h"

#include <array>
#include <cerrno>
#include <map>
#include <set>
#include <thread>
#include <fmt/chrono.h>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

namespace
{
    using enum Orvel::LogLevel;
    const std::string Rule(120, '-');
    // A stamped line opens with its timestamp, then its level tag; every level's tag is as long.
    constexpr std::size_t TimestampLength = std::string_view("YYYY/MM/DD - HH:MM:SS").size();
    constexpr std::size_t LevelTagLength = std::string_view(" [MESSAGE] ").size();

    struct LoggerTest : ::testing::Test
    {
        // The file's lines; a last line without line end is marked.
        static std::vector<std::string> Lines(const std::filesystem::path& file)
        {
            constexpr std::string_view end = NimbravaTest::Windows ? "\r\n" : "\n"; // the log is a text file
            std::istringstream text(NimbravaTest::ReadFile(file));
            std::vector<std::string> lines;
            for (std::string line; std::getline(text, line);)
            {
                const bool ended = !text.eof() && (line + '\n').ends_with(end);
                lines.push_back(ended ? line.substr(0, line.size() + 1 - end.size()) : line + "<no line end>");
            }
            return lines;
        }

        NimbravaTest::TempDirectory Directory;
        std::filesystem::path File = Directory / "Nimbrava.log";
        Orvel::Logger Logger;
    };
} // namespace

// tests/data/orvel/log-lines.tsv: the settings of each row, the level and text logged, the line
// that must follow in the file ("<time>" for the timestamp), the level the line event reports, and
// a pause.
TEST_F(LoggerTest, TheBannerThenEachRowsLineStampedFromTheSystemClock)
{
    // Read from the clock the logger reads: C time() may still show the previous second for a few
    // milliseconds after the system clock has begun the next one.
    const auto localTimeNow = [] {
        const auto now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
        return fmt::format("{:%Y/%m/%d - %H:%M:%S}", fmt::localtime(now));
    };
    std::vector<std::string> raised, expected = {"Logging stream for \"Nimbrava\" successfully initialized",
                                                 "Date and time format: YYYY/MM/DD - HH:MM:SS", Rule};
    Logger.AddLineHandler([&raised](std::string_view line, Orvel::LogLevel level) {
        raised.push_back(std::string(line) + " @" + std::to_string(static_cast<int>(level)));
    });
    Logger.IndentWidth = 3;
    NimbravaTest::WriteFile(File, std::string(10000, 'o') + "\n"); // opening empties an old log
    Logger.Open(File, "Nimbrava");
    // Each written line: as the row gives it, and the times read just before and after it was logged.
    std::vector<std::array<std::string, 4>> written;
    for (const auto& row : NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/orvel/log-lines.tsv"))
    {
        Logger.WriteTimestamp = row[0] == "1";
        Logger.WriteLevelTag = row[1] == "1";
        Logger.IndentDepth = static_cast<std::uint32_t>(std::stoul(row[2]));
        Logger.MinimumLevel = static_cast<Orvel::LogLevel>(std::stoul(row[3]));
        const std::string before = localTimeNow();
        Logger.Log(static_cast<Orvel::LogLevel>(std::stoul(row[4])), fmt::runtime(row[5]));
        if (!row[6].empty())
            written.push_back({row[6], row[7], before, localTimeNow()});
        std::this_thread::sleep_for(std::chrono::milliseconds(std::stoul(row.at(8))));
    }

    const auto lines = Lines(File);
    ASSERT_EQ(lines.size(), written.size() + 3);
    EXPECT_EQ(std::vector(lines.begin(), lines.begin() + 3), expected);
    ASSERT_EQ(raised.size(), written.size()) << "one event per written line, none for the banner";
    std::set<std::string> seconds;
    for (std::size_t i = 0; i < written.size(); ++i)
    {
        const auto& [line, level, before, after] = written[i];
        const std::string& got = lines[i + 3];
        const bool stamped = line.starts_with("<time>") && got.size() >= TimestampLength;
        const std::string shown = stamped ? got.substr(0, TimestampLength) : "";
        EXPECT_EQ(stamped ? "<time>" + got.substr(TimestampLength) : got, line);
        EXPECT_TRUE(!stamped || shown == before || shown == after) << got;
        EXPECT_EQ(raised[i], got + " @" + level) << "the event gets the line without line end";
        if (stamped)
            seconds.insert(shown);
    }
    EXPECT_GE(seconds.size(), 2u) << "the stamp is formatted once a second, but follows the clock";
}

// A line of 1024 characters with its line feed fits the inline buffer: nothing allocates, whatever
// the handlers. One character more grows it; a line past the grown size is formatted again whole.
TEST_F(LoggerTest, OnlyLinesPastTheLineBufferAllocate)
{
    Logger.WriteTimestamp = false;
    Logger.Open(File, "");
    Logger.AddLineHandler([](std::string_view, Orvel::LogLevel) {});
    const std::string fits(1024 - 11 - 1, 'a'), a(1500, 'a'), b(3000, 'b');
    {
        NimbravaTest::AllocationCounter counter;
        Logger.Log(Debug, "{}", b); // filtered before anything is formatted
        for (unsigned i = 0; i < 50; ++i)
            Logger.Log(Warning, "Worldspace changed. New ID: {:X}", i);
        Logger.Log(Message, "{}", fits);
        EXPECT_EQ(counter.Count(), 0u);
    }
    EXPECT_EQ(Logger.LineCapacity(), 1024u);
    Logger.Log(Message, "{}b", fits);
    EXPECT_EQ(Logger.LineCapacity(), 2048u);
    Logger.Log(Message, "{}|{:X}|{}|{}", a, 0x3Cu, b, 7);
    EXPECT_EQ(Logger.LineCapacity(), 8192u);
    // No date format line without timestamps.
    std::vector<std::string> expected = {"Logging stream successfully initialized", Rule};
    for (unsigned i = 0; i < 50; ++i)
        expected.push_back(fmt::format(" [WARNING] Worldspace changed. New ID: {:X}", i));
    expected.insert(expected.end(),
                    {" [MESSAGE] " + fits, " [MESSAGE] " + fits + "b", " [MESSAGE] " + a + "|3C|" + b + "|7"});
    EXPECT_EQ(Lines(File), expected);
}

// Another process (a player's log viewer) sees each line as soon as it is logged, unless flushing
// is turned off; lines logged before Open, or after an Open that failed, reach the handlers only.
TEST_F(LoggerTest, LinesAreOnDiskWhenLogReturnsAndNoneBeforeOpenOrAfterAFailedOne)
{
    std::string seen;
    Logger.AddLineHandler([&seen](std::string_view line, Orvel::LogLevel) { seen = line; });
    EXPECT_NO_THROW(Logger.Log(Message, "{}", "early"));
    EXPECT_TRUE(seen.ends_with(" [MESSAGE] early")) << seen;
    Logger.Open(File, "Nimbrava");
    ASSERT_EQ(Lines(File).size(), 3u) << "the banner is flushed, the early line is not kept";
    Logger.Log(Message, "{}", "now");
    EXPECT_EQ(Lines(File).back().substr(TimestampLength), " [MESSAGE] now");

    // Closing the open log must not change the errno reported.
    const auto path = Directory / "missing" / "Nimbrava.log";
    const auto e = NimbravaTest::Caught<Orvel::LogFileOpenException>([&] { Logger.Open(path, "Nimbrava"); });
    EXPECT_EQ(e.GetErrnoValue(), ENOENT);
    EXPECT_EQ(e.ToString(), "IOException(Couldn't open logging file '" + path.string() +
                                "') -> errno state (2): No such file or directory");
    EXPECT_NE(std::string(e.GetLocation().file_name()).find("Log.cpp"), std::string::npos);
    EXPECT_FALSE(Logger.IsOpen());
    EXPECT_NO_THROW(Logger.Log(Message, "{}", "goes nowhere"));
    EXPECT_EQ(Lines(File).size(), 4u);

    Logger.FlushEachLine = false;
    Logger.Open(Directory / "buffered.log", "Nimbrava");
    Logger.Log(Message, "{}", "later");
    EXPECT_EQ(NimbravaTest::ReadFile(Directory / "buffered.log"), "");
}

TEST_F(LoggerTest, FailingHandlersAreGatheredAfterTheLineIsWrittenAndReleaseBothLocks)
{
    Logger.AddLineHandler([](std::string_view, Orvel::LogLevel) { throw std::runtime_error("mirror failed"); });
    Logger.AddLineHandler(Orvel::Function<void(std::string_view, Orvel::LogLevel)>());
    Logger.Open(File, "Nimbrava");
    const auto e = NimbravaTest::Caught<Orvel::AggregateException>([&] { Logger.Log(Message, "{}", "first"); });
    EXPECT_EQ(e.ToString(), "AggregateException(One or more error(s) occurred)\n{\n"
                            "\tGenericException(Bad function call)\n\tstd::exception(mirror failed)\n}\n");
    EXPECT_THROW(Logger.Log(Message, "{}", "second"), Orvel::AggregateException);
    std::thread([this] { EXPECT_THROW(Logger.Log(Message, "{}", "third"), Orvel::AggregateException); }).join();
    const auto lines = Lines(File);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3].substr(TimestampLength), " [MESSAGE] first");
    EXPECT_EQ(lines[5].substr(TimestampLength), " [MESSAGE] third");
}

// Lines of concurrent threads never interleave, and each thread's lines keep their order.
TEST_F(LoggerTest, ConcurrentLinesNeverInterleave)
{
    Logger.Open(File, "Nimbrava");
    const auto line = [](char thread, int number) {
        return fmt::format(" [MESSAGE] {} {} {}", thread, number,
                           std::string(static_cast<std::size_t>(40 + 30 * (thread - 'a')), thread));
    };
    std::vector<std::thread> threads;
    for (char thread = 'a'; thread <= 'd'; ++thread)
        threads.emplace_back([&, thread] {
            for (int i = 0; i < 2000; ++i)
                Logger.Log(Message, "{}", line(thread, i).substr(LevelTagLength));
        });
    for (auto& thread : threads)
        thread.join();
    const auto lines = Lines(File);
    ASSERT_EQ(lines.size(), 3u + 4 * 2000);
    std::map<char, int> next;
    for (std::size_t i = 3; i < lines.size(); ++i)
    {
        constexpr std::size_t message = TimestampLength + LevelTagLength; // it opens with the thread's letter
        const char thread = lines[i].size() > message ? lines[i][message] : '?';
        ASSERT_TRUE(thread >= 'a' && thread <= 'd') << lines[i];
        ASSERT_EQ(lines[i].substr(TimestampLength), line(thread, next[thread]++));
    }
}
