#include "text/Detail/Shell.h"

namespace NimbravaCheck::Detail
{
    // Neither cmd nor PowerShell reads these as more than themselves in a path.
    std::string_view PlainShellMarks() noexcept
    {
        return "\\/:._-";
    }

    // A Windows file name holds no '"'.
    std::string QuotedShellWord(std::string_view text)
    {
        return "\"" + std::string(text) + "\"";
    }
} // namespace NimbravaCheck::Detail
