#include "Orvel/ErrorContext.h"
#include "Orvel/Parsing.h"

#include <iterator>
#include <map>
#include <system_error>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

using Ids = std::vector<std::uint32_t>;

// Every view ends before a hexadecimal digit that lies in memory right after it.
TEST(ParseHexNumber, EveryRowOfTheTableReadsOnlyItsViewAndAllocatesNothing)
{
    // "failed" and "too-large", as the table writes an error; any other fails the test.
    const std::map<std::error_code, std::string> errors = {{Orvel::StringParsingErrorCode::ParseFailed, "failed"},
                                                           {Orvel::StringParsingErrorCode::ValueTooLarge, "too-large"}};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/hex.tsv");
    ASSERT_GE(rows.size(), 55u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << NimbravaTest::Escape(row[0]);
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\"");
        const std::string backing = row[0] + "7";
        std::size_t end = 12345;
        NimbravaTest::AllocationCounter counter;
        const auto result = Orvel::ParseHexNumber(std::string_view(backing).substr(0, row[0].size()), end);
        EXPECT_EQ(counter.Count(), 0u);
        EXPECT_EQ(result ? fmt::format("ok {:X}", result.value_or(0u)) : errors.at(result.error()), row[1]);
        EXPECT_EQ(end, std::stoul(row[2])) << "end position";
    }
}

// As above, a digit lies right after each view.
TEST(ParseHexNumberList, EveryRowOfTheTableReadsOnlyItsView)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/lists.tsv");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 4u) << NimbravaTest::Escape(row[0]);
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\", separator \"" + row[1] + "\"");
        std::istringstream stream(row[2]);
        const Ids ids(std::istream_iterator<std::uint32_t>(stream >> std::hex), {});
        const std::string backing = row[0] + "7";
        const auto text = std::string_view(backing).substr(0, row[0].size());
        EXPECT_EQ(Orvel::ParseHexNumberList(text, {0xDEAD, 0xBEEF}, row[1]), ids);

        // The same reading, told where it stopped.
        Orvel::HexNumberListEnd end{99, Orvel::StringParsingErrorCode::SequenceTooShort};
        EXPECT_EQ(Orvel::ParseHexNumberList(text, {0xDEAD, 0xBEEF}, row[1], end), ids);
        const std::string stop = end.Position == text.size() && !end.Error ? "end"
                                 : end.Error ? fmt::format("{} {}", end.Position, end.Error.value())
                                             : std::to_string(end.Position);
        EXPECT_EQ(stop, row[3]);
    }
    EXPECT_EQ(Orvel::ParseHexNumberList("3C,zz", {}, ","), Ids{}) << "the caller's empty fallback";
}

TEST(ParseHexNumber, AFailedReadingCarriesItsErrorAndThrowsItFromValue)
{
    std::size_t end = 0;
    const auto result = Orvel::ParseHexNumber("zz", end);
    EXPECT_EQ(result.value_or(7u), 7u);
    EXPECT_EQ(NimbravaTest::Caught<std::system_error>([&] { (void)result.value(); }).code(), result.error());
}

// tests/data/orvel/error-contexts.tsv: context, code, its message, and the portable condition it
// compares equal to ("own": only the context's own condition of the same value).
TEST(ErrorContexts, NameMessageAndConditionOfEveryCode)
{
    const std::map<std::string, const Orvel::IErrorContext*> contexts = {
        {"DefaultError", &Orvel::DefaultErrorContext::Instance()},
        {"StringParsingError", &Orvel::StringParsingErrorContext::Instance()}};
    const std::map<std::string, std::errc> conditions = {{"invalid_argument", std::errc::invalid_argument},
                                                         {"result_out_of_range", std::errc::result_out_of_range}};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/orvel/error-contexts.tsv");
    ASSERT_GE(rows.size(), 16u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0] + " " + row[1]);
        const auto& context = *contexts.at(row[0]);
        const std::error_code code(std::stoi(row[1]), context);
        EXPECT_STREQ(context.name(), row[0].c_str());
        EXPECT_EQ(context.GetName(), row[0]);
        EXPECT_EQ(code.message(), row[2]);
        EXPECT_EQ(context.GetErrorMessage(code.value()), row[2]);
        for (const auto& [name, condition] : conditions)
            EXPECT_EQ(code == condition, name == row[3]) << name;
        EXPECT_EQ(code.default_error_condition() == std::error_condition(code.value(), context), row[3] == "own");
    }
    EXPECT_EQ(Orvel::MakeDefaultError(3), std::error_code(3, Orvel::DefaultErrorContext::Instance()));
    EXPECT_NE(Orvel::MakeDefaultError(1), std::error_code(1, std::generic_category()));
    EXPECT_EQ(Orvel::MakeStringParsingError(Orvel::StringParsingErrorCode::SequenceTooShort),
              std::error_code(4, Orvel::StringParsingErrorContext::Instance()));
}
