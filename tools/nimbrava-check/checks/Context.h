#pragma once
// What every check may use besides its input.

#include <filesystem>
#include "checks/InstalledGame.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    struct CheckContext
    {
        GameCodePage CodePage;               // the game's, as far as the checker knows it
        const InstalledGame* Game = nullptr; // the game, when it was found
        // Outside Windows, the Wine prefix through whose dosdevices folder drive letters other than Z:
        // lead (the one $WINEPREFIX names); empty: none. Unused on Windows.
        std::filesystem::path WinePrefix{};
    };
} // namespace NimbravaCheck
