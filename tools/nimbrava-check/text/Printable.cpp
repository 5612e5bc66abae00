#include "text/Printable.h"

#include <fmt/format.h>
#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    namespace
    {
        // Characters that would change what a terminal shows, or hide from the eye what a name holds:
        // the control characters (C0, DEL and C1), the line and paragraph separators, the marks and
        // embeddings of writing direction, and the invisible ones (the soft hyphen, the zero-width
        // space, the word joiners and the byte-order mark). The zero-width joiner and non-joiner stay:
        // Persian and Indic names need them.
        bool Hidden(char32_t character) noexcept
        {
            return character < 0x20 || (character >= 0x7F && character < 0xA0) || character == 0xAD ||
                   character == 0x061C || character == 0x200B || character == 0x200E || character == 0x200F ||
                   (character >= 0x2028 && character <= 0x202E) || (character >= 0x2060 && character <= 0x2064) ||
                   (character >= 0x2066 && character <= 0x2069) || character == 0xFEFF;
        }
    } // namespace

    std::string PrintableText(std::string_view utf8)
    {
        std::string out;
        out.reserve(utf8.size());
        for (std::size_t at = 0; at < utf8.size();)
        {
            char32_t character = 0;
            const std::size_t length = Utf8Sequence(utf8.substr(at), character);
            if (length == 0)
                out += fmt::format("\\x{:02X}", static_cast<unsigned char>(utf8[at]));
            else if (!Hidden(character))
                out += utf8.substr(at, length);
            else if (character < 0x80)
                out += fmt::format("\\x{:02X}", static_cast<unsigned>(character));
            else
                out += fmt::format("\\u{:04X}", static_cast<unsigned>(character));
            at += length == 0 ? 1 : length;
        }
        return out;
    }
} // namespace NimbravaCheck
