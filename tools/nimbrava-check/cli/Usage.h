#pragma once
// What --help and --version print.

#include "commands/Commands.h"

namespace NimbravaCheck::Cli
{
    // The usage: each command as the options table gives it, what holds for all of them, the codes of
    // the findings (checks/Codes.h), and the exit codes.
    int RunHelp(const Request& request, const Output& output);

    // "nimbrava-check VERSION".
    int RunVersion(const Request& request, const Output& output);
} // namespace NimbravaCheck::Cli
