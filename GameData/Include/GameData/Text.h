#pragma once
// Text of the game's files: names, plugin file names and Plugins.txt are in code page 1252.

#include <string>
#include <string_view>

namespace GameData
{
    // `bytes` in code page 1252 as UTF-8. The five bytes that 1252 leaves undefined (81, 8D, 8F, 90,
    // 9D) become the control characters of the same number, as Windows converts them.
    [[nodiscard]] std::string Cp1252ToUtf8(std::string_view bytes);
} // namespace GameData
