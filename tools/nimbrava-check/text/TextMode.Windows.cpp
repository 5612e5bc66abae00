#include "text/TextMode.h"

namespace NimbravaCheck
{
    std::string TextModeBytes(std::string_view bytes)
    {
        bytes = bytes.substr(0, bytes.find('\x1A'));
        std::string text;
        text.reserve(bytes.size());
        for (std::size_t at = 0; at < bytes.size(); ++at)
            if (bytes[at] != '\r' || at + 1 == bytes.size() || bytes[at + 1] != '\n')
                text.push_back(bytes[at]);
        return text;
    }
} // namespace NimbravaCheck
