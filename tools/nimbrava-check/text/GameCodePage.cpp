#include "text/GameCodePage.h"

#include <fmt/format.h>
#include "text/Printable.h"

namespace NimbravaCheck
{
    std::optional<std::string> GameCodePage::Decode(std::string_view bytes) const
    {
        if (!m_number)
            return std::nullopt;
        return DecodeCodePage(bytes, *m_number);
    }

    std::string GameCodePage::Show(std::string_view bytes) const
    {
        if (const auto text = Decode(bytes))
            return PrintableText(*text);
        std::string out;
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte >= 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
        }
        return out;
    }
} // namespace NimbravaCheck
