#include "text/Detail/Shell.h"

namespace NimbravaCheck::Detail
{
    std::string_view PlainShellMarks() noexcept
    {
        return "/._-+,:@%";
    }

    std::string QuotedShellWord(std::string_view text)
    {
        std::string quoted = "'";
        for (const char c : text)
            quoted += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
        return quoted + "'";
    }
} // namespace NimbravaCheck::Detail
