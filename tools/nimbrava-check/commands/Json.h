#pragma once
// The checker's JSON output, through nlohmann's JSON library: objects keep their fields in the order
// they are set.

#include <nlohmann/json.hpp>
#include <ostream>

namespace NimbravaCheck
{
    using Json = nlohmann::ordered_json;

    // Writes `value`, indented by two spaces, and a line end. Texts are written as they are when they
    // are UTF-8; a byte sequence that is not (configuration bytes in the game's code page) becomes
    // U+FFFD, so that the output is always valid JSON.
    void WriteJson(std::ostream& out, const Json& value);
} // namespace NimbravaCheck
