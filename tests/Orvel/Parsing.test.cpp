#include "Orvel/ErrorContext.h"
#include "Orvel/Parsing.h"

#include <map>
#include <system_error>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

using Ids = std::vector<std::uint32_t>;

TEST(ParseHexNumber, EveryRowOfTheTable)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/hex.tsv");
    ASSERT_GE(rows.size(), 55u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << NimbravaTest::Escape(row[0]);
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\"");
        std::size_t end = 12345;
        const auto result = Orvel::ParseHexNumber(row[0], end);
        // "ok VALUE", "failed" or "too-large", as the table writes a reading.
        std::ostringstream text;
        if (result)
            text << "ok " << std::uppercase << std::hex << *result;
        else
            text << (result.error() == Orvel::StringParsingErrorCode::ParseFailed     ? "failed"
                     : result.error() == Orvel::StringParsingErrorCode::ValueTooLarge ? "too-large"
                                                                                      : result.error().message());
        EXPECT_EQ(text.str(), row[1]);
        EXPECT_EQ(end, std::stoul(row[2])) << "end position";
    }
}

TEST(ParseHexNumberList, EveryRowOfTheTable)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/lists.tsv");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << NimbravaTest::Escape(row[0]);
        Ids ids;
        std::istringstream stream(row[2]);
        for (std::uint32_t id; stream >> std::hex >> id;)
            ids.push_back(id);
        EXPECT_EQ(Orvel::ParseHexNumberList(row[0], {0xDEAD, 0xBEEF}, row[1]), ids)
            << "text \"" << NimbravaTest::Escape(row[0]) << "\", separator \"" << row[1] << "\"";
    }
    EXPECT_EQ(Orvel::ParseHexNumberList("3C,zz", {}, ","), Ids{}) << "the caller's empty fallback";
}

TEST(ParseHexNumber, NeverReadsPastTheViewAndAllocatesNothing)
{
    // The views end before digits that lie in memory right after them.
    const std::string backing = "0x1234";
    const std::uint32_t read[] = {99, 0, 99, 1}; // "" and "0x" do not read, "0" reads as 0, "0x1" as 1
    for (std::size_t size = 0; size <= 3; ++size)
    {
        std::size_t end = 99;
        EXPECT_EQ(Orvel::ParseHexNumber(std::string_view(backing).substr(0, size), end).value_or(99), read[size]);
        EXPECT_LE(end, size);
    }
    EXPECT_EQ(Orvel::ParseHexNumberList(std::string_view("3C,1A").substr(0, 3), {}, ","), (Ids{0x3C}));
    EXPECT_EQ(Orvel::ParseHexNumberList(std::string_view("3C,1A").substr(0, 4), {}, ","), (Ids{0x3C, 1}));

    NimbravaTest::AllocationCounter counter;
    std::size_t end = 0;
    for (std::string_view text : {"3C", "", "-1", "100000000", " +0x1a"})
        (void)Orvel::ParseHexNumber(text, end);
    EXPECT_EQ(counter.Count(), 0u);
}

TEST(ParseHexNumber, AFailedReadingCarriesItsErrorAndThrowsItFromValue)
{
    std::size_t end = 0;
    const auto result = Orvel::ParseHexNumber("zz", end);
    EXPECT_EQ(result.value_or(7u), 7u);
    EXPECT_EQ(result.error(), Orvel::MakeStringParsingError(Orvel::StringParsingErrorCode::ParseFailed));
    EXPECT_NE(result.error(), Orvel::MakeDefaultError(1)) << "same value, other context";
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
        if (row[3] == "own")
        {
            EXPECT_EQ(code.default_error_condition(), std::error_condition(code.value(), context));
        }
    }
    EXPECT_EQ(Orvel::MakeDefaultError(3), std::error_code(3, Orvel::DefaultErrorContext::Instance()));
    EXPECT_NE(Orvel::MakeDefaultError(1), std::error_code(1, std::generic_category()));
    EXPECT_EQ(Orvel::MakeStringParsingError(Orvel::StringParsingErrorCode::SequenceTooShort),
              std::error_code(4, Orvel::StringParsingErrorContext::Instance()));
}
