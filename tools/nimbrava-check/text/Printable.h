#pragma once
// Text as the checker shows it: nothing that would change what a terminal shows, or hide from the
// eye what a name holds.

#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // UTF-8 text, such as a path made from a configured name, with the control characters escaped,
    // as \xHH below 0x80 and \uHHHH above (C1), and so the line separators, the marks of writing
    // direction and the invisible characters, with which a name could seem another; each byte that
    // is no part of well-formed UTF-8 as \xHH.
    [[nodiscard]] std::string PrintableText(std::string_view utf8);
} // namespace NimbravaCheck
