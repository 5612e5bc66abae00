#pragma once
// Windows's code pages read without Windows: the ANSI code pages from tables compiled into the checker
// (code-pages/MakeTables.cpp writes them at build time), UTF-8 by its definition. The checker outside
// Windows reads the game's text with them, where the .exe asks Windows.

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // The ANSI code pages the tables hold: 874, 932, 936, 949, 950 and 1250 to 1258.
    [[nodiscard]] std::span<const unsigned> TabledCodePages() noexcept;

    // `bytes` in `codePage` (one of those, or 65001, UTF-8) as Windows's MultiByteToWideChar with
    // MB_ERR_INVALID_CHARS converts them (the plugin's conversion): their UTF-16 text, or nothing
    // where that fails, for a byte or byte sequence that is no text in the code page (such as a lead
    // byte without its trail byte) and for a code page the tables do not hold.
    [[nodiscard]] std::optional<std::u16string> DecodeTabled(std::string_view bytes, unsigned codePage);
} // namespace NimbravaCheck
