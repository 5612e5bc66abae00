#pragma once
// What the platform's shell reads in a word (ProgramName.Posix.cpp, ProgramName.Windows.cpp).

#include <string>
#include <string_view>

namespace NimbravaCheck::Detail
{
    // The marks besides ASCII's letters and digits that the shell reads as nothing more than
    // themselves in a word; bytes of UTF-8 above ASCII are letters to every shell.
    [[nodiscard]] std::string_view PlainShellMarks() noexcept;

    // `text` quoted as one word.
    [[nodiscard]] std::string QuotedShellWord(std::string_view text);
} // namespace NimbravaCheck::Detail
