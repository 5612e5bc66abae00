#include "cli/CodePageOption.h"
#include "cli/CommandLine.h"

namespace NimbravaCheck::Cli
{
    GameCodePage ReadCodePage(std::string_view)
    {
        throw UsageError(std::string(OptionOf(OptionId::CodePage).Spelling) +
                         " is for the checker outside Windows: the .exe reads names in the code page Windows gives "
                         "the game, as the plugin does");
    }
} // namespace NimbravaCheck::Cli
