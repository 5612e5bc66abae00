#pragma once
// Input the checker cannot work with: a path that names nothing it reads, a worldspace it cannot
// find. what() tells the player why; the run ends with exit code 2.

#include <stdexcept>

namespace NimbravaCheck
{
    class InputError : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };
} // namespace NimbravaCheck
