// Outside Windows the game's code page is what the player gives, read from the checker's own tables.

#include <algorithm>
#include "GameData/Text.h"
#include "text/CodePageTables.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    GameCodePage GameCodePage::OfThisProcess()
    {
        return {};
    }

    std::optional<GameCodePage> GameCodePage::Given(unsigned number)
    {
        if (std::ranges::find(TabledCodePages(), number) == TabledCodePages().end())
            return std::nullopt;
        return GameCodePage(number);
    }

    std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
    {
        const auto text = DecodeTabled(bytes, codePage);
        if (!text)
            return std::nullopt;
        return GameData::Utf16ToUtf8(*text);
    }
} // namespace NimbravaCheck
