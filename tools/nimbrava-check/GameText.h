#pragma once
// Text of the player's configuration as the game reads it: bytes in the game's ANSI code page, which
// the checker shows decoded when it knows that code page, and never raw.

#include <optional>
#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // The code page the plugin reads FileName bytes in, as far as the checker knows it: on Windows
    // the file-API code page of this process, which is the plugin's own in the game; elsewhere the one
    // SetGameCodePage was given, or none.
    [[nodiscard]] std::optional<unsigned> GameCodePage();

    // Outside Windows: the game's ANSI code page, given with --code-page. False for one the checker
    // cannot read; those it can read are the ANSI code pages 874, 932, 936, 949, 950 and 1250 to 1258,
    // from tables built into the checker, so that it needs no converter of the system it runs on.
    bool SetGameCodePage(unsigned codePage);

    // `bytes` in `codePage` (one of those above, or 65001) as UTF-8, as Windows's strict conversion
    // reads them; nothing when they are no text there, where the plugin's own conversion fails too.
    [[nodiscard]] std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage);

    // Configuration text for a line of output and for JSON: decoded from the game's code page when it
    // is known and the bytes are text there, otherwise ASCII as it is and every other byte as \xHH.
    // Control characters always escaped, as \xHH below 0x80 and \uHHHH above (C1), and so are the
    // line separators, the marks of writing direction and the invisible characters, with which a name
    // could seem another.
    [[nodiscard]] std::string Printable(std::string_view bytes);

    // UTF-8 text, such as a path made from a configured name, with the characters that Printable
    // escapes escaped the same way, and each byte that is no part of well-formed UTF-8 as \xHH.
    [[nodiscard]] std::string PrintableText(std::string_view utf8);
} // namespace NimbravaCheck
