#pragma once
// Bytes of names and configuration text as the C library's isspace and tolower see them in the "C"
// locale, which the program never changes: fixed sets, so that no locale can change how text is
// read or names compare, and tests that cost no call.

#include <cstddef>
#include <string_view>

namespace Orvel
{
    // Space, tab, LF, VT, FF and CR.
    [[nodiscard]] constexpr bool IsSpace(char c) noexcept
    {
        const auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || (byte >= '\t' && byte <= '\r');
    }

    // 'A' to 'Z' as 'a' to 'z'; every other byte as it is.
    [[nodiscard]] constexpr char ToLower(char c) noexcept
    {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }

    // The text without the white space (IsSpace) at its ends.
    [[nodiscard]] constexpr std::string_view Trimmed(std::string_view text) noexcept
    {
        while (!text.empty() && IsSpace(text.front()))
            text.remove_prefix(1);
        while (!text.empty() && IsSpace(text.back()))
            text.remove_suffix(1);
        return text;
    }

    // Whether the two texts have the same bytes once both are lowered.
    [[nodiscard]] constexpr bool EqualIgnoringCase(std::string_view a, std::string_view b) noexcept
    {
        if (a.size() != b.size())
            return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if (ToLower(a[i]) != ToLower(b[i]))
                return false;
        return true;
    }

    // Whether `text` begins with `prefix`, both lowered.
    [[nodiscard]] constexpr bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) noexcept
    {
        return text.size() >= prefix.size() && EqualIgnoringCase(text.substr(0, prefix.size()), prefix);
    }
} // namespace Orvel
