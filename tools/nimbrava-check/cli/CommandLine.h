#pragma once
// The command line read by the options table: which command runs, and with what.

#include <stdexcept>
#include <string>
#include <vector>
#include "cli/Options.h"

namespace NimbravaCheck::Cli
{
    // A command line the checker does not take. what() says why.
    class UsageError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    struct CommandLine
    {
        const Option* Command = nullptr; // the option whose command runs
        Request Asked;
        bool Json = false;
        bool Verbose = false;
    };

    // Reads `arguments` (without the program's name). Throws UsageError for an unknown option, an option
    // without its value, options that do not go together, or a --code-page the checker cannot read.
    [[nodiscard]] CommandLine ReadCommandLine(const std::vector<std::string>& arguments);
} // namespace NimbravaCheck::Cli
