#include "Orvel/ErrorContext.h"
#include "Orvel/Hook/IATSearchError.h"
#include "Orvel/Parsing.h"

#include <iterator>
#include <map>
#include <system_error>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

using Ids = std::vector<std::uint32_t>;

// One number (hex.tsv), allocating nothing: every view ends before a hexadecimal digit that lies in
// memory right after it.
TEST(ParseHexNumber, EveryRowOfBothTablesReadsOnlyItsView)
{
    // "failed" and "too-large", as the table writes an error; any other fails the test.
    const std::map<std::error_code, std::string> errors = {{Orvel::StringParsingErrorCode::ParseFailed, "failed"},
                                                           {Orvel::StringParsingErrorCode::ValueTooLarge, "too-large"}};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/hex.tsv");
    ASSERT_GE(rows.size(), 55u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\"");
        const std::string backing = row[0] + "7";
        std::size_t end = 12345;
        NimbravaTest::AllocationCounter counter;
        const auto result = Orvel::ParseHexNumber(std::string_view(backing).substr(0, row[0].size()), end);
        EXPECT_EQ(counter.Count(), 0u);
        EXPECT_EQ(result ? fmt::format("ok {:X}", result.value_or(0u)) : errors.at(result.error()), row.at(1));
        EXPECT_EQ(end, std::stoul(row.at(2))) << "end position";
    }
    // A failed reading carries its error and throws it from value().
    std::size_t failedEnd = 0;
    const auto failed = Orvel::ParseHexNumber("zz", failedEnd);
    EXPECT_EQ(failed.value_or(7u), 7u);
    EXPECT_EQ(NimbravaTest::Caught<std::system_error>([&] { (void)failed.value(); }).code(), failed.error());

    // A list of them (lists.tsv), a digit lying right after each view too. The same reading, told
    // where it stopped, ends as the table's last column says.
    const auto lists = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/parsing/lists.tsv");
    ASSERT_GE(lists.size(), 30u);
    for (const auto& row : lists)
    {
        SCOPED_TRACE("text \"" + NimbravaTest::Escape(row[0]) + "\", separator \"" + row.at(1) + "\"");
        std::istringstream stream(row.at(2));
        const Ids ids(std::istream_iterator<std::uint32_t>(stream >> std::hex), {});
        const std::string backing = row[0] + "7";
        const auto text = std::string_view(backing).substr(0, row[0].size());
        EXPECT_EQ(Orvel::ParseHexNumberList(text, {0xDEAD, 0xBEEF}, row[1]), ids);
        Orvel::HexNumberListEnd end{99, Orvel::StringParsingErrorCode::SequenceTooShort};
        EXPECT_EQ(Orvel::ParseHexNumberList(text, {0xDEAD, 0xBEEF}, row[1], end), ids);
        const std::string stop = end.Position == text.size() && !end.Error ? "end"
                                 : end.Error ? fmt::format("{} {}", end.Position, end.Error.value())
                                             : std::to_string(end.Position);
        EXPECT_EQ(stop, row.at(3));
    }
    EXPECT_EQ(Orvel::ParseHexNumberList("3C,zz", {}, ","), Ids{}) << "the caller's empty fallback";
}

// tests/data/orvel/error-contexts.tsv: context, code, its message, and the portable condition it
// compares equal to ("own": only the context's own condition of the same value).
TEST(ErrorContexts, NameMessageAndConditionOfEveryCode)
{
    const std::map<std::string, const Orvel::IErrorContext*> contexts = {
        {"DefaultError", &Orvel::DefaultErrorContext::Instance()},
        {"StringParsingError", &Orvel::StringParsingErrorContext::Instance()},
        {"IATSearchError", &Orvel::Hook::IATSearchErrorContext::Instance()}};
    const std::map<std::string, std::errc> conditions = {{"invalid_argument", std::errc::invalid_argument},
                                                         {"result_out_of_range", std::errc::result_out_of_range}};
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/orvel/error-contexts.tsv");
    ASSERT_GE(rows.size(), 22u);
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row[0] + " " + row.at(1));
        const auto& context = *contexts.at(row[0]);
        const std::error_code code(std::stoi(row[1]), context);
        EXPECT_STREQ(context.name(), row[0].c_str());
        EXPECT_EQ(code.message(), row.at(2));
        for (const auto& [name, condition] : conditions)
            EXPECT_EQ(code == condition, name == row.at(3)) << name;
        EXPECT_EQ(code.default_error_condition() == std::error_condition(code.value(), context), row[3] == "own");
    }
    EXPECT_EQ(Orvel::MakeDefaultError(3), std::error_code(3, Orvel::DefaultErrorContext::Instance()));
    EXPECT_EQ(Orvel::MakeStringParsingError(Orvel::StringParsingErrorCode::SequenceTooShort),
              std::error_code(4, Orvel::StringParsingErrorContext::Instance()));
}
