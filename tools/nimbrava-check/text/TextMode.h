#pragma once
// A text file's bytes as a reader that opens it in text mode gets them, which is how the plugin's
// reader opens "_nimbrava.ini": the checker reads the file once, in binary, and gives the plugin's
// reader what it would have read itself.

#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // On Windows, whose C runtime hands a text-mode reader CR LF as LF and nothing from the first
    // CTRL-Z on, the bytes so; elsewhere the bytes as they are.
    [[nodiscard]] std::string TextModeBytes(std::string_view bytes);
} // namespace NimbravaCheck
