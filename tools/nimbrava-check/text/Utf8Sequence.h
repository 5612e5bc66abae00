#pragma once
// UTF-8 read by Unicode's table of well-formed sequences, as Windows's strict conversion takes it:
// for decoding outside Windows (CodePageTables.h) and for showing names (Printable.h).

#include <cstddef>
#include <string_view>

namespace NimbravaCheck
{
    // The byte-order mark an editor puts before UTF-8 text.
    inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

    // The length of the well-formed UTF-8 sequence that `text` (not empty) starts with, its character
    // in `character`; 0 when none starts there (an overlong form, a surrogate, a character above
    // U+10FFFF, a sequence cut short or a byte that starts none).
    [[nodiscard]] std::size_t Utf8Sequence(std::string_view text, char32_t& character) noexcept;
} // namespace NimbravaCheck
