#include "GameData/Text.h"

#include <cstdint>

namespace GameData
{
    namespace
    {
        // Code page 1252's characters for the bytes 0x80 to 0x9F; the rest above 0x7F are Latin-1's.
        constexpr char16_t High[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
            0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
            0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
        };

        void AppendUtf8(std::string& out, char32_t character)
        {
            if (character < 0x80)
                out.push_back(static_cast<char>(character));
            else if (character < 0x800)
            {
                out.push_back(static_cast<char>(0xC0 | (character >> 6)));
                out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
            }
            else if (character < 0x10000)
            {
                out.push_back(static_cast<char>(0xE0 | (character >> 12)));
                out.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
            }
            else
            {
                out.push_back(static_cast<char>(0xF0 | (character >> 18)));
                out.push_back(static_cast<char>(0x80 | ((character >> 12) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | ((character >> 6) & 0x3F)));
                out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
            }
        }
    } // namespace

    char16_t Cp1252Character(unsigned char byte) noexcept
    {
        return byte >= 0x80 && byte < 0xA0 ? High[byte - 0x80] : static_cast<char16_t>(byte);
    }

    std::string Cp1252ToUtf8(std::string_view bytes)
    {
        std::string out;
        out.reserve(bytes.size());
        for (const char c : bytes)
            AppendUtf8(out, Cp1252Character(static_cast<unsigned char>(c)));
        return out;
    }

    std::string Utf16ToUtf8(std::u16string_view text)
    {
        std::string out;
        out.reserve(text.size());
        for (std::size_t at = 0; at < text.size(); ++at)
        {
            const char16_t unit = text[at];
            if (unit < 0xD800 || unit >= 0xE000)
                AppendUtf8(out, unit);
            else if (unit < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000)
            {
                AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (text[at + 1] - 0xDC00));
                ++at;
            }
            else
                AppendUtf8(out, 0xFFFD);
        }
        return out;
    }

    std::filesystem::path Utf8Path(std::string_view utf8)
    {
        return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
    }

    std::string Utf8Text(const std::filesystem::path& path)
    {
        const std::u8string text = path.u8string();
        return {text.begin(), text.end()};
    }
} // namespace GameData
