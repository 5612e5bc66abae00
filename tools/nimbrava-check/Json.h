#pragma once
// The few pieces of JSON text the checker writes.

#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // `text` as a JSON string, quotes included. Configuration text is bytes in the game's code page:
    // valid UTF-8 passes through, and every other byte above 0x7F is written as \u00XX (its Latin-1
    // character), so that the output is always valid JSON.
    [[nodiscard]] std::string JsonString(std::string_view text);
} // namespace NimbravaCheck
