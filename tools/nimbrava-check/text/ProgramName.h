#pragma once
// The checker's name as the player started it: the commands its messages suggest start the same
// way, so that a player who typed ./nimbrava-check, or whose mod manager started
// C:\Games\Skyrim\nimbrava-check.exe, can copy them.

#include <string>
#include <string_view>

namespace NimbravaCheck
{
    // Takes the program's name as the system gave it (argv[0], UTF-8); an empty one keeps
    // "nimbrava-check". Called once, before anything is written.
    void SetProgramName(std::string_view started);

    // The name, shown as PrintableText shows text, as one word of the shell: ready to stand first on
    // a command line.
    [[nodiscard]] const std::string& ProgramName() noexcept;

    // `text` as one word of the platform's shell: as it is where no shell would split or read it,
    // else quoted ("..." on Windows, whose file names hold no '"'; '...' elsewhere).
    [[nodiscard]] std::string ShellWord(std::string_view text);
} // namespace NimbravaCheck
