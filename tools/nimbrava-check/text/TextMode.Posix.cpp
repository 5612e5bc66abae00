#include "text/TextMode.h"

namespace NimbravaCheck
{
    std::string TextModeBytes(std::string_view bytes)
    {
        return std::string(bytes);
    }
} // namespace NimbravaCheck
