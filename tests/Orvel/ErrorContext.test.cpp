#include "Orvel/ErrorContext.h"
#include "Orvel/Parsing.h"

#include <map>
#include <string>
#include <system_error>
#include <gtest/gtest.h>
#include "DataFiles.h"

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
