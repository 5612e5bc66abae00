#pragma once
// The checker's run: the command line read, the command it names run, and whatever goes wrong said
// in one line. Returns the exit code (commands/Commands.h).

#include <string>
#include <string_view>
#include <vector>

namespace NimbravaCheck::Cli
{
    // `program`: the program's name as it was started (argv[0]), which messages name it by;
    // `arguments`: the rest. Both UTF-8.
    int Run(std::string_view program, const std::vector<std::string>& arguments);

    // A command line the checker does not take: why, and where to look; returns the exit code.
    int BadUsage(std::string_view why);

    // On Windows: the arguments as Windows gives them, UTF-16 (wmain's), taken as UTF-8, since the
    // narrow ones are in the ANSI code page, which holds no name outside it (a Cyrillic user name under
    // a Western Windows, say).
    int RunWide(int argc, wchar_t** argv);
} // namespace NimbravaCheck::Cli
