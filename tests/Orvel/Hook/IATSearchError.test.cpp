#include "Orvel/Hook/IATSearchError.h"

#include <system_error>
#include <gtest/gtest.h>

using namespace Orvel::Hook;

// The log shows these texts when a hook cannot be placed.
TEST(IATSearchErrorContext, NamesAndMessages)
{
    const auto& context = IATSearchErrorContext::Instance();
    EXPECT_STREQ(context.name(), "IATSearchError");
    const char* const messages[] = {"", "Unexpected image header format", "Import table doesn't contain DLL name",
                                    "Import table didn't contain symbol name", ""};
    for (int code = -1; code <= 4; ++code)
        EXPECT_EQ(context.message(code), messages[code < 0 ? 0 : code]) << code;
    EXPECT_EQ(std::error_code(IATSearchErrorCode::DllNameNotFound), std::error_code(2, context));
}
