#include <charconv>
#include "cli/CodePageOption.h"
#include "cli/CommandLine.h"

namespace NimbravaCheck::Cli
{
    GameCodePage ReadCodePage(std::string_view value)
    {
        unsigned number = 0;
        const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
        std::optional<GameCodePage> given;
        if (error == std::errc() && end == value.data() + value.size())
            given = GameCodePage::Given(number);
        if (!given)
            throw UsageError(std::string(OptionOf(OptionId::CodePage).Spelling) +
                             " takes an ANSI code page: 874, 932, 936, 949, 950 or 1250 to 1258");
        return *given;
    }
} // namespace NimbravaCheck::Cli
