#pragma once
// Text of the game's files: names, plugin file names and Plugins.txt are in code page 1252. Paths
// as UTF-8 text, both ways.

#include <filesystem>
#include <string>
#include <string_view>

namespace GameData
{
    // The character of `byte` in code page 1252, as Windows converts it: the five bytes that 1252
    // leaves undefined (81, 8D, 8F, 90, 9D) as the control characters of the same number.
    [[nodiscard]] char16_t Cp1252Character(unsigned char byte) noexcept;

    // `bytes` in code page 1252 as UTF-8. The five bytes that 1252 leaves undefined (81, 8D, 8F, 90,
    // 9D) become the control characters of the same number, as Windows converts them.
    [[nodiscard]] std::string Cp1252ToUtf8(std::string_view bytes);

    // UTF-16 text as UTF-8; a surrogate without its pair becomes U+FFFD.
    [[nodiscard]] std::string Utf16ToUtf8(std::u16string_view text);

    // The path that the UTF-8 text `utf8` names. On Windows a path holds UTF-16, and one made from a
    // plain string goes through the C library's locale, which loses every name outside Latin-1.
    // Throws std::system_error for text that is not UTF-8 there.
    [[nodiscard]] std::filesystem::path Utf8Path(std::string_view utf8);

    // The path as UTF-8 text, as Utf8Path takes it (its plain string() need not be UTF-8 on Windows).
    [[nodiscard]] std::string Utf8Text(const std::filesystem::path& path);
} // namespace GameData
