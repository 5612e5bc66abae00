#pragma once
// --code-page, which only the checker outside Windows takes: the .exe reads names in the code page
// Windows gives the game, as the plugin does.

#include <string_view>
#include "text/GameCodePage.h"

namespace NimbravaCheck::Cli
{
    // The code page `value` gives. Throws UsageError when this checker takes none, or cannot read it.
    [[nodiscard]] GameCodePage ReadCodePage(std::string_view value);
} // namespace NimbravaCheck::Cli
