#pragma once
// Where the running program lies.

#include <string>

namespace NimbravaTest
{
    // The folder that holds the running program, with a trailing backslash.
    std::wstring ProgramDirectory();
} // namespace NimbravaTest
