#include "Orvel/Parsing.h"

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

namespace
{
    using Orvel::StringParsingErrorCode;
    using Ids = std::vector<std::uint32_t>;

    // "ok VALUE", "failed" or "too-large", as tests/data/parsing/hex.tsv writes a reading.
    std::string Describe(const Orvel::Expected<std::uint32_t>& result)
    {
        if (result)
            return "ok " + (std::ostringstream() << std::uppercase << std::hex << *result).str();
        EXPECT_EQ(&result.error().category(), &Orvel::StringParsingErrorContext::Instance());
        if (result.error() == StringParsingErrorCode::ParseFailed)
            return "failed";
        if (result.error() == StringParsingErrorCode::ValueTooLarge)
            return "too-large";
        return "error " + std::to_string(result.error().value());
    }

    Ids ReadIds(const std::string& text)
    {
        Ids ids;
        std::istringstream stream(text);
        for (std::uint32_t id; stream >> std::hex >> id;)
            ids.push_back(id);
        return ids;
    }
} // namespace

TEST(ParseHexNumber, EveryRowOfTheTable)
{
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/hex.tsv");
    ASSERT_GE(rows.size(), 55u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << NimbravaTest::Escape(row[0]);
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\"");
        std::size_t end = 12345;
        EXPECT_EQ(Describe(Orvel::ParseHexNumber(row[0], end)), row[1]);
        EXPECT_EQ(end, std::stoul(row[2])) << "end position";
    }
}

TEST(ParseHexNumberList, EveryRowOfTheTable)
{
    const Ids fallback = {0xDEAD, 0xBEEF};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/lists.tsv");
    ASSERT_GE(rows.size(), 30u);
    for (const auto& row : rows)
    {
        ASSERT_EQ(row.size(), 3u) << NimbravaTest::Escape(row[0]);
        EXPECT_EQ(Orvel::ParseHexNumberList(row[0], fallback, row[1]), ReadIds(row[2]))
            << "text \"" << NimbravaTest::Escape(row[0]) << "\", separator \"" << row[1] << "\"";
    }
    EXPECT_EQ(Orvel::ParseHexNumberList("3C,zz", {}, ","), Ids{}) << "the caller's empty fallback";
}

TEST(ParseHexNumber, NeverReadsPastTheViewAndAllocatesNothing)
{
    // The views end before digits that lie in memory right after them.
    const std::string backing = "0x1234";
    for (std::size_t size = 0; size <= backing.size(); ++size)
    {
        std::size_t end = 99;
        const auto result = Orvel::ParseHexNumber(std::string_view(backing).substr(0, size), end);
        EXPECT_LE(end, size);
        if (size <= 3) // "0" reads as 0, "0x1" as 1; "" and "0x" do not read
        {
            EXPECT_EQ(result.value_or(99), size == 1 ? 0u : size == 3 ? 1u : 99u) << size;
        }
    }
    const std::string list = "3C,1A";
    EXPECT_EQ(Orvel::ParseHexNumberList(std::string_view(list).substr(0, 3), {}, ","), (Ids{0x3C}));
    EXPECT_EQ(Orvel::ParseHexNumberList(std::string_view(list).substr(0, 4), {}, ","), (Ids{0x3C, 1}));

    NimbravaTest::AllocationCounter counter;
    std::size_t end = 0;
    for (std::string_view text : {"3C", "", "-1", "100000000", " +0x1a"})
        (void)Orvel::ParseHexNumber(text, end);
    EXPECT_EQ(counter.Count(), 0u);
}

TEST(StringParsingErrorContext, NameMessagesAndPortableConditions)
{
    const auto& context = Orvel::StringParsingErrorContext::Instance();
    EXPECT_STREQ(context.name(), "StringParsingError");
    EXPECT_EQ(context.GetName().size(), 18u);
    EXPECT_EQ(context.GetErrorMessage(1), "String couldn't be parsed to the requested type.");
    EXPECT_EQ(context.GetErrorMessage(2), "Parsed value is too large for the requested type.");
    EXPECT_EQ(context.GetErrorMessage(3), "Parsed value is too large for the requested type.");
    EXPECT_EQ(context.GetErrorMessage(4), "Number sequence wasn't long enough for exact range parsing.");
    for (int code : {0, -1, 5, 99, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()})
        EXPECT_EQ(context.GetErrorMessage(code), "") << code;
    EXPECT_EQ(context.message(2), "Parsed value is too large for the requested type.");
    EXPECT_EQ(context.message(99), "");

    using enum StringParsingErrorCode;
    EXPECT_TRUE(Orvel::MakeStringParsingError(ParseFailed) == std::errc::invalid_argument);
    EXPECT_FALSE(Orvel::MakeStringParsingError(ParseFailed) == std::errc::result_out_of_range);
    EXPECT_TRUE(Orvel::MakeStringParsingError(SequenceTooShort) == std::errc::invalid_argument);
    EXPECT_TRUE(Orvel::MakeStringParsingError(ValueTooLarge) == std::errc::result_out_of_range);
    EXPECT_TRUE(Orvel::MakeStringParsingError(NegativeValueTooLarge) == std::errc::result_out_of_range);
    const std::error_condition other = context.default_error_condition(99);
    EXPECT_EQ(other.value(), 99);
    EXPECT_EQ(&other.category(), &context);
}

TEST(StringParsingErrorContext, AFailedReadingCarriesTheErrorAndThrowsItFromValue)
{
    std::size_t end = 0;
    const auto result = Orvel::ParseHexNumber("zz", end);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), StringParsingErrorCode::ParseFailed);
    EXPECT_NE(result.error(), Orvel::MakeDefaultError(1)) << "same value, other context";
    EXPECT_EQ(result.error().message(), "String couldn't be parsed to the requested type.");
    EXPECT_EQ(result.value_or(7u), 7u);
    try
    {
        (void)result.value();
        FAIL() << "value() of a failure must throw";
    }
    catch (const std::system_error& e)
    {
        EXPECT_EQ(e.code(), StringParsingErrorCode::ParseFailed);
    }
}
