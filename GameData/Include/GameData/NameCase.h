#pragma once
// Names of the game's files compared as Windows compares them: each UTF-16 unit upper-cased, as
// CompareStringOrdinal does with case ignored and as the file system finds a file (Wine's too). The
// names of plugins are in code page 1252, so "CAF\xC9.ESP" names the file Café.esp, and "été.esp" and
// "ÉTÉ.esp" are one plugin listed twice. Every comparison of plugin names goes through here.

#include <string>
#include <string_view>

namespace GameData
{
    // The unit that Windows compares `unit` as when case is ignored.
    [[nodiscard]] char16_t UpperCase(char16_t unit) noexcept;

    // A name in code page 1252 as Windows compares it: its UTF-16 units, each upper-cased. Two names
    // name one file exactly when their keys are equal.
    [[nodiscard]] std::u16string NameKey(std::string_view cp1252);

    // The same of a name in UTF-8, as names are on disk outside Windows; each byte that is no part of
    // well-formed UTF-8 as U+FFFD, which no name in code page 1252 holds.
    [[nodiscard]] std::u16string NameKeyOfUtf8(std::string_view utf8);

    // Whether the two names in code page 1252 name one file.
    [[nodiscard]] bool SameName(std::string_view cp1252, std::string_view other) noexcept;

    // Whether `name` (code page 1252) ends in `extension` (ASCII, such as ".esm"), case ignored.
    [[nodiscard]] bool HasExtension(std::string_view name, std::string_view extension) noexcept;
} // namespace GameData
