#include "Orvel/ErrorContext.h"

#include <string>
#include <system_error>
#include <gtest/gtest.h>

TEST(DefaultErrorContext, IsNamedAndHasNoMessages)
{
    const auto& context = Orvel::DefaultErrorContext::Instance();
    EXPECT_STREQ(context.name(), "DefaultError");
    EXPECT_EQ(context.GetName(), "DefaultError");
    EXPECT_EQ(context.GetName().size(), 12u);
    for (int code : {-1, 0, 1, 2, 3, 99})
    {
        EXPECT_EQ(context.message(code), "");
        EXPECT_EQ(context.GetErrorMessage(code), "");
    }
}

TEST(DefaultErrorContext, CodesReferToTheOneInstance)
{
    const std::error_code a = Orvel::MakeDefaultError(1);
    const std::error_code b = Orvel::MakeDefaultError(1);
    EXPECT_EQ(a, b);
    EXPECT_EQ(&a.category(), &Orvel::DefaultErrorContext::Instance());
    EXPECT_NE(a, Orvel::MakeDefaultError(2));
    EXPECT_NE(a, std::error_code(1, std::generic_category()));
    EXPECT_STREQ(a.category().name(), "DefaultError");
}

TEST(DefaultErrorContext, KeepsTheStandardConditionMapping)
{
    const std::error_code code = Orvel::MakeDefaultError(3);
    const std::error_condition condition = code.default_error_condition();
    EXPECT_EQ(condition.value(), 3);
    EXPECT_EQ(&condition.category(), &Orvel::DefaultErrorContext::Instance());
    EXPECT_TRUE(code == condition);
    EXPECT_FALSE(code == std::errc::invalid_argument);
}
