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
    // cannot read; those it can read are the ANSI code pages 874, 932, 936, 949, 950 and 1250 to 1258.
    bool SetGameCodePage(unsigned codePage);

    // `bytes` in `codePage` as UTF-8; nothing when they are no text there, where the plugin's own
    // conversion fails too. Outside Windows a single-byte code page's undefined bytes become the
    // control characters of the same number, as Windows reads them.
    [[nodiscard]] std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage);

    // Configuration text for a line of output and for JSON: decoded from the game's code page when it
    // is known and the bytes are text there, otherwise ASCII as it is and every other byte as \xHH;
    // control bytes always as \xHH.
    [[nodiscard]] std::string Printable(std::string_view bytes);
} // namespace NimbravaCheck
