#pragma once
// What every check may use besides its input.

#include "checks/InstalledGame.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    struct CheckContext
    {
        GameCodePage CodePage;               // the game's, as far as the checker knows it
        const InstalledGame* Game = nullptr; // the game, when it was found
    };
} // namespace NimbravaCheck
