// On Windows the checker reads names as the plugin does: in the file-API code page, through the
// plugin's own strict conversions.

#include <system_error>
#include "Files/CodePage.h"
#include "text/GameCodePage.h"

namespace NimbravaCheck
{
    GameCodePage GameCodePage::OfThisProcess()
    {
        return GameCodePage(Nimbrava::FileApiCodePage());
    }

    std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
    {
        try
        {
            return Nimbrava::WideToNarrow(Nimbrava::NarrowToWide(bytes, codePage), 65001);
        }
        catch (const std::system_error&)
        {
            return std::nullopt;
        }
    }
} // namespace NimbravaCheck
