#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    std::size_t Utf8Sequence(std::string_view text, char32_t& character) noexcept
    {
        const auto lead = static_cast<unsigned char>(text[0]);
        // The second byte's range depends on the lead byte (Unicode's table of well-formed sequences):
        // it excludes the overlong forms, the surrogates and what lies above U+10FFFF.
        const std::size_t length = lead < 0x80                    ? 1
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                  : 0;
        const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        if (length == 0 || text.size() < length)
            return 0;
        character = length == 1 ? lead : lead & (0x7Fu >> length);
        for (std::size_t i = 1; i < length; ++i)
        {
            const auto next = static_cast<unsigned char>(text[i]);
            if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
                return 0;
            character = character << 6 | (next & 0x3F);
        }
        return length;
    }
} // namespace NimbravaCheck
