#include "Json.h"

#include <fmt/format.h>

namespace NimbravaCheck
{
    namespace
    {
        // The length of the valid UTF-8 sequence of two to four bytes at `at`, or 0.
        std::size_t Utf8Length(std::string_view text, std::size_t at) noexcept
        {
            const auto lead = static_cast<unsigned char>(text[at]);
            const std::size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
            if (length == 0 || lead > 0xF4 || at + length > text.size())
                return 0;
            std::uint32_t code = lead & (0xFFu >> (length + 1));
            for (std::size_t i = 1; i < length; ++i)
            {
                const auto next = static_cast<unsigned char>(text[at + i]);
                if ((next & 0xC0) != 0x80)
                    return 0;
                code = code << 6 | (next & 0x3Fu);
            }
            const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
            if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
                return 0;
            return length;
        }
    } // namespace

    std::string JsonString(std::string_view text)
    {
        std::string out;
        out.reserve(text.size() + 2);
        out.push_back('"');
        for (std::size_t at = 0; at < text.size();)
        {
            const auto c = static_cast<unsigned char>(text[at]);
            if (c >= 0x80)
            {
                if (const std::size_t length = Utf8Length(text, at))
                {
                    out.append(text.substr(at, length));
                    at += length;
                }
                else
                {
                    out += fmt::format("\\u{:04x}", c);
                    ++at;
                }
                continue;
            }
            if (c == '"' || c == '\\')
            {
                out.push_back('\\');
                out.push_back(static_cast<char>(c));
            }
            else if (c < 0x20 || c == 0x7F)
                out += fmt::format("\\u{:04x}", c);
            else
                out.push_back(static_cast<char>(c));
            ++at;
        }
        out.push_back('"');
        return out;
    }
} // namespace NimbravaCheck
