#include "Orvel/Parsing.h"

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

namespace
{
    using Orvel::StringParsingErrorCode;

    // One reading: the text, then either the value or the error code, and the end position.
    struct HexCase
    {
        std::string_view Text;
        std::uint32_t Value;
        int Code; // 0 for success
        std::size_t End;
    };

    constexpr int Failed = static_cast<int>(StringParsingErrorCode::ParseFailed);
    constexpr int TooLarge = static_cast<int>(StringParsingErrorCode::ValueTooLarge);

    void ExpectReading(const HexCase& c)
    {
        SCOPED_TRACE(::testing::Message() << "text \"" << c.Text << "\"");
        std::size_t end = 12345;
        const auto result = Orvel::ParseHexNumber(c.Text, end);
        if (c.Code == 0)
        {
            ASSERT_TRUE(result.has_value()) << result.error().message();
            EXPECT_EQ(*result, c.Value);
        }
        else
        {
            ASSERT_FALSE(result.has_value()) << "read " << *result;
            EXPECT_EQ(result.error().value(), c.Code);
            EXPECT_EQ(&result.error().category(), &Orvel::StringParsingErrorContext::Instance());
        }
        EXPECT_EQ(end, c.End) << "end position";
    }

    void ExpectReadings(std::initializer_list<HexCase> cases)
    {
        for (const auto& c : cases)
            ExpectReading(c);
    }
} // namespace

// --- ParseHexNumber: forms it accepts ---

TEST(ParseHexNumberForms, DigitsOfEitherCaseWithOrWithoutPrefixAndPlus)
{
    ExpectReadings({
        {"1A", 26, 0, 2},
        {"1a", 26, 0, 2},
        {"0x1A", 26, 0, 4},
        {"0X1a", 26, 0, 4},
        {"+1A", 26, 0, 3},
        {" +0x1a", 26, 0, 6},
        {"aBcDeF", 0xABCDEF, 0, 6},
        {"0", 0, 0, 1},
        {"9", 9, 0, 1},
        {"f", 15, 0, 1},
    });
}

TEST(ParseHexNumberForms, DigitsAreAlwaysHexadecimal)
{
    ExpectReadings({{"10", 16, 0, 2}, {"0010", 16, 0, 4}, {"0x10", 16, 0, 4}});
}

TEST(ParseHexNumberForms, SkipsEveryKindOfLeadingWhiteSpace)
{
    ExpectReadings({{" \t\n\v\f\r3C", 0x3C, 0, 8}, {"\t0x3c", 0x3C, 0, 5}});
}

TEST(ParseHexNumberForms, LeadingZerosAreFree)
{
    ExpectReadings({
        {"0000000000000001", 1, 0, 16},
        {"00000000FFFFFFFF", 0xFFFFFFFF, 0, 16},
        {"0x0000000000000000000000000", 0, 0, 27},
    });
}

TEST(ParseHexNumberForms, ThePrefixIsTakenOnlyWhenADigitCouldFollow)
{
    // "0x" with nothing usable after it is not the number 0: the digits were expected after it.
    ExpectReadings({{"0x", 0, Failed, 2}, {"0xG", 0, Failed, 2}, {"0x 5", 0, Failed, 2}, {"0X", 0, Failed, 2}});
    // A lone "0" followed by something else is an ordinary digit.
    ExpectReadings({{"0", 0, 0, 1}, {"0y", 0, 0, 1}, {"00x1", 0, 0, 2}});
}

// --- ParseHexNumber: where it stops ---

TEST(ParseHexNumberEnd, StopsAtTheFirstByteThatIsNoDigit)
{
    ExpectReadings({
        {"5 ", 5, 0, 1},
        {"1G", 1, 0, 1},
        {"3C,0x0A", 0x3C, 0, 2},
        {"3C;comment", 0x3C, 0, 2},
        {"FFz", 0xFF, 0, 2},
    });
}

TEST(ParseHexNumberEnd, ACallerReadsOnFromTheEnd)
{
    const std::string_view text = "3C,0x0A";
    std::size_t end = 0;
    ASSERT_EQ(Orvel::ParseHexNumber(text, end).value(), 0x3Cu);
    ASSERT_EQ(text[end], ',');
    std::size_t second = 0;
    EXPECT_EQ(Orvel::ParseHexNumber(text.substr(end + 1), second).value(), 0x0Au);
    EXPECT_EQ(second, 4u);
}

TEST(ParseHexNumberEnd, BytesAboveAsciiAreNeitherSpaceNorDigit)
{
    ExpectReadings({{"\xA0"
                     "1",
                     0, Failed, 0},
                    {"1\xC2", 1, 0, 1},
                    {std::string_view("1\0"
                                      "2",
                                      3),
                     1, 0, 1}});
}

// --- ParseHexNumber: the range ---

TEST(ParseHexNumberRange, TheLargestValueIsEightFs)
{
    ExpectReadings({
        {"FFFFFFFF", 4294967295u, 0, 8},
        {"0xFFFFFFFF", 4294967295u, 0, 10},
        {"10000000", 0x10000000, 0, 8},
        {"0FFFFFFF", 0x0FFFFFFF, 0, 8},
    });
}

TEST(ParseHexNumberRange, ANinthSignificantDigitIsTooLargeAndIsConsumed)
{
    ExpectReadings({
        {"100000000", 0, TooLarge, 9},
        {"FFFFFFFF0", 0, TooLarge, 9},
        {"0x123456789", 0, TooLarge, 11},
        {"123456789abcdef0123456789,1", 0, TooLarge, 25},
        {"0000123456789", 0, TooLarge, 13},
    });
}

// --- ParseHexNumber: signs ---

TEST(ParseHexNumberSigns, OnlyOnePlusIsSkipped)
{
    ExpectReadings({{"+", 0, Failed, 1}, {"++1", 0, Failed, 1}, {"+ 1", 0, Failed, 1}});
}

TEST(ParseHexNumberSigns, AMinusWithoutPrefixIsNoDigit)
{
    ExpectReadings({{"-1", 0, Failed, 0}, {"  -1", 0, Failed, 2}, {"+-1", 0, Failed, 1}, {"-", 0, Failed, 0}});
}

TEST(ParseHexNumberSigns, AMinusBeforeAPrefixReadsAsZero)
{
    ExpectReadings({
        {"-0x1", 0, 0, 4},
        {"-0XFFFFFFFF", 0, 0, 11},
        {"+-0x1A", 0, 0, 6},
        {"-0x", 0, Failed, 3},
        {"-0x100000000", 0, TooLarge, 12},
    });
}

// --- ParseHexNumber: texts with no number ---

TEST(ParseHexNumberFailures, TextsWithoutADigit)
{
    ExpectReadings({
        {"", 0, Failed, 0},
        {"   ", 0, Failed, 3},
        {"x5", 0, Failed, 0},
        {",1", 0, Failed, 0},
        {"\"3C\"", 0, Failed, 0},
        {"g", 0, Failed, 0},
    });
}

TEST(ParseHexNumberFailures, NeverReadsPastTheView)
{
    // The views end before digits that lie in memory right after them.
    const std::string backing = "0x1234";
    for (std::size_t size = 0; size <= backing.size(); ++size)
    {
        std::size_t end = 99;
        const auto result = Orvel::ParseHexNumber(std::string_view(backing).substr(0, size), end);
        EXPECT_LE(end, size);
        if (size <= 2)
        {
            EXPECT_EQ(result.has_value(), size == 1) << size; // "0" reads as 0; "" and "0x" do not read
        }
    }
    std::size_t end = 99;
    EXPECT_EQ(Orvel::ParseHexNumber(std::string_view(backing).substr(0, 3), end).value(), 1u);
    EXPECT_EQ(end, 3u);
}

TEST(ParseHexNumberFailures, AllocatesNothing)
{
    NimbravaTest::AllocationCounter counter;
    std::size_t end = 0;
    for (std::string_view text : {"3C", "", "-1", "100000000", " +0x1a"})
        (void)Orvel::ParseHexNumber(text, end);
    EXPECT_EQ(counter.Count(), 0u);
}

// --- The error context ---

TEST(StringParsingErrorContext, NameAndMessages)
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
}

TEST(StringParsingErrorContext, CodesMapToPortableConditions)
{
    const auto failed = Orvel::MakeStringParsingError(StringParsingErrorCode::ParseFailed);
    EXPECT_TRUE(failed == std::errc::invalid_argument);
    EXPECT_FALSE(failed == std::errc::result_out_of_range);
    EXPECT_TRUE(Orvel::MakeStringParsingError(StringParsingErrorCode::SequenceTooShort) == std::errc::invalid_argument);
    EXPECT_TRUE(Orvel::MakeStringParsingError(StringParsingErrorCode::ValueTooLarge) == std::errc::result_out_of_range);
    EXPECT_TRUE(Orvel::MakeStringParsingError(StringParsingErrorCode::NegativeValueTooLarge) ==
                std::errc::result_out_of_range);

    const auto& context = Orvel::StringParsingErrorContext::Instance();
    const std::error_condition other = context.default_error_condition(99);
    EXPECT_EQ(other.value(), 99);
    EXPECT_EQ(&other.category(), &context);
    EXPECT_EQ(context.default_error_condition(2), std::errc::result_out_of_range);
}

TEST(StringParsingErrorContext, CodesReferToTheOneInstanceAndCompareWithTheEnum)
{
    std::size_t end = 0;
    const auto result = Orvel::ParseHexNumber("zz", end);
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), StringParsingErrorCode::ParseFailed);
    EXPECT_NE(result.error(), StringParsingErrorCode::ValueTooLarge);
    EXPECT_NE(result.error(), Orvel::MakeDefaultError(1)) << "same value, other context";
    EXPECT_EQ(result.error().message(), "String couldn't be parsed to the requested type.");
    EXPECT_STREQ(result.error().category().name(), "StringParsingError");
}

TEST(StringParsingErrorContext, TheMissingValueThrowsTheError)
{
    std::size_t end = 0;
    const auto result = Orvel::ParseHexNumber("", end);
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

// --- ParseHexNumberList ---

namespace
{
    const std::vector<std::uint32_t> Fallback = {0xDEAD, 0xBEEF};

    std::vector<std::uint32_t> List(std::string_view text, std::string_view separator = ",")
    {
        return Orvel::ParseHexNumberList(text, Fallback, separator);
    }

    using Ids = std::vector<std::uint32_t>;
} // namespace

TEST(ParseHexNumberList, ReadsTheIdsInOrder)
{
    EXPECT_EQ(List("3C"), (Ids{0x3C}));
    EXPECT_EQ(List("0x3C, 0X1a"), (Ids{0x3C, 0x1A}));
    EXPECT_EQ(List("3C,1A,3C"), (Ids{0x3C, 0x1A, 0x3C})) << "duplicates stay";
    EXPECT_EQ(List("+3C,-0x1,FFFFFFFF"), (Ids{0x3C, 0, 0xFFFFFFFF}));
}

TEST(ParseHexNumberList, WhiteSpaceAroundSeparatorsAndOneTrailingSeparator)
{
    EXPECT_EQ(List("3C ,1A,"), (Ids{0x3C, 0x1A}));
    EXPECT_EQ(List(" 3C \t, \t1A \t"), (Ids{0x3C, 0x1A}));
    EXPECT_EQ(List("3C,"), (Ids{0x3C}));
    EXPECT_EQ(List("3C   "), (Ids{0x3C}));
}

TEST(ParseHexNumberList, EndsEarlyAtAnythingElseAfterAnId)
{
    EXPECT_EQ(List("3C 1A"), (Ids{0x3C}));
    EXPECT_EQ(List("3C/1A"), (Ids{0x3C}));
    EXPECT_EQ(List("3C, 1A zz"), (Ids{0x3C, 0x1A}));
    EXPECT_EQ(List("3C\"1A"), (Ids{0x3C}));
    EXPECT_EQ(List("1G,2"), (Ids{1}));
}

TEST(ParseHexNumberList, AnElementThatCannotBeReadGivesTheFallback)
{
    EXPECT_EQ(List("3C,,1A"), Fallback);
    EXPECT_EQ(List("3C, ,1A"), Fallback);
    EXPECT_EQ(List("3C,zz"), Fallback);
    EXPECT_EQ(List("123456789"), Fallback);
    EXPECT_EQ(List("3C,123456789"), Fallback);
    EXPECT_EQ(List("3C,-1"), Fallback);
    EXPECT_EQ(List(","), Fallback);
    EXPECT_EQ(List("3C,,"), Fallback) << "only one separator may end the list";
    EXPECT_EQ(List("3C, "), Fallback) << "white space after the last separator is an empty element";
    EXPECT_EQ(List("\"3C, 1A\""), Fallback) << "a quoted value never matches";
    EXPECT_EQ(List(" "), Fallback);
    EXPECT_EQ(Orvel::ParseHexNumberList("3C,zz", {}, ","), Ids{}) << "the caller's empty fallback";
}

TEST(ParseHexNumberList, AnEmptyTextIsAnEmptyList)
{
    EXPECT_EQ(List(""), Ids{});
}

TEST(ParseHexNumberList, SeparatorsOfSeveralCharacters)
{
    EXPECT_EQ(List("1::2 ::3", "::"), (Ids{1, 2, 3}));
    EXPECT_EQ(List("1:2", "::"), (Ids{1}));
    EXPECT_EQ(List("1::", "::"), (Ids{1}));
    EXPECT_EQ(List("1:", "::"), (Ids{1})) << "fewer characters left than the separator has";
    EXPECT_EQ(List("1 :", "::"), (Ids{1}));
    EXPECT_EQ(List("1, 2 , 3", ", "), (Ids{1, 2, 3}));
    EXPECT_EQ(List("1 ,2", ", "), (Ids{1})) << "the white space is skipped, then \",2\" is not \", \"";
}

TEST(ParseHexNumberList, AnEmptySeparatorReadsNumbersBackToBack)
{
    EXPECT_EQ(List("1 2  3", ""), (Ids{1, 2, 3}));
    EXPECT_EQ(List("", ""), (Ids{}));
}

TEST(ParseHexNumberList, NeverReadsPastTheView)
{
    const std::string backing = "3C,1A";
    EXPECT_EQ(List(std::string_view(backing).substr(0, 3)), (Ids{0x3C}));
    EXPECT_EQ(List(std::string_view(backing).substr(0, 4)), (Ids{0x3C, 1}));
}
