#pragma once
// The checker's JSON output, through nlohmann's JSON library: objects keep their fields in the order
// they are set.

#include <cstddef>
#include <functional>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string_view>

namespace NimbravaCheck
{
    using Json = nlohmann::ordered_json;

    // Writes `value`, indented by two spaces, and a line end. Texts are written as they are when they
    // are UTF-8; a byte sequence that is not (configuration bytes in the game's code page) becomes
    // U+FFFD, so that the output is always valid JSON.
    void WriteJson(std::ostream& out, const Json& value);

    // Writes `value` as the above does, but with the array of `count` items that `item(i)` makes, each
    // when it is written, as the value of its member `key` (which `value` must hold, at its top level):
    // a list of a hundred thousand worldspaces is never held in JSON whole.
    void WriteJson(std::ostream& out, Json value, std::string_view key, std::size_t count,
                   const std::function<Json(std::size_t)>& item);
} // namespace NimbravaCheck
