#include "Orvel/Hook/IATSearchError.h"

#include <system_error>
#include <gtest/gtest.h>

using Orvel::Hook::IATSearchErrorCode;
using Orvel::Hook::IATSearchErrorContext;

TEST(IATSearchErrorContext, NamesAndMessages)
{
    const auto& context = IATSearchErrorContext::Instance();
    EXPECT_STREQ(context.name(), "IATSearchError");
    EXPECT_EQ(context.GetName().size(), 14u);
    EXPECT_EQ(context.message(1), "Unexpected image header format");
    EXPECT_EQ(context.message(2), "Import table doesn't contain DLL name");
    EXPECT_EQ(context.message(3), "Import table didn't contain symbol name");
    for (int code : {-1, 0, 4, 1000})
        EXPECT_EQ(context.GetErrorMessage(code), "") << code;
}

TEST(IATSearchErrorContext, CodesReferToTheOneInstanceAndMapToThemselves)
{
    const std::error_code code = IATSearchErrorCode::DllNameNotFound;
    EXPECT_EQ(code.value(), 2);
    EXPECT_EQ(&code.category(), &IATSearchErrorContext::Instance());
    EXPECT_EQ(code.message(), "Import table doesn't contain DLL name");
    EXPECT_EQ(code.default_error_condition().value(), 2);
    EXPECT_EQ(&code.default_error_condition().category(), &IATSearchErrorContext::Instance());
    EXPECT_NE(code, std::error_code(2, std::generic_category()));
    EXPECT_NE(code, IATSearchErrorCode::SymbolNameNotFound);
}
