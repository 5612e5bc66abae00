#include "GameData/NameCase.h"

#include <array>
#include "GameData/Text.h"

namespace GameData
{
    namespace
    {
        // Windows' upper case of the characters that code page 1252 holds (the letters of ASCII and
        // Latin-1, and the five that 1252 adds above them; not the micro sign, which Unicode would make
        // a Greek capital); NameCase.test.cpp holds it against CompareStringOrdinal. Other characters
        // keep their case: no name in code page 1252 can hold them, nor their upper case.
        constexpr char16_t Upper(char16_t unit) noexcept
        {
            if ((unit >= u'a' && unit <= u'z') || (unit >= 0xE0 && unit <= 0xFE && unit != 0xF7))
                return static_cast<char16_t>(unit - 0x20);
            switch (unit)
            {
            case 0xFF: // y with diaeresis
                return 0x178;
            case 0x153: // oe
                return 0x152;
            case 0x161: // s with caron
                return 0x160;
            case 0x17E: // z with caron
                return 0x17D;
            case 0x192: // f with hook
                return 0x191;
            default:
                return unit;
            }
        }

        // Each byte of code page 1252 as Windows compares it.
        const std::array<char16_t, 256> Folded = [] {
            std::array<char16_t, 256> folded{};
            for (unsigned byte = 0; byte < 256; ++byte)
                folded[byte] = Upper(Cp1252Character(static_cast<unsigned char>(byte)));
            return folded;
        }();

        char16_t FoldedByte(char c) noexcept
        {
            return Folded[static_cast<unsigned char>(c)];
        }

        // The character that the UTF-8 sequence at the start of `bytes` encodes and its length; a
        // byte that starts no well-formed sequence as U+FFFD of length 1.
        std::pair<char32_t, std::size_t> Decode(std::string_view bytes) noexcept
        {
            const auto at = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
            const unsigned char lead = at(0);
            if (lead < 0x80)
                return {lead, 1};
            const std::size_t length = lead >= 0xC2 && lead < 0xE0   ? 2
                                       : lead >= 0xE0 && lead < 0xF0 ? 3
                                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                     : 0;
            if (length == 0 || bytes.size() < length)
                return {0xFFFD, 1};
            char32_t character = lead & (0x7F >> length);
            for (std::size_t i = 1; i < length; ++i)
            {
                if ((at(i) & 0xC0) != 0x80)
                    return {0xFFFD, 1};
                character = character << 6 | (at(i) & 0x3Fu);
            }
            constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
            if (character < Least[length] || character > 0x10FFFF || (character >= 0xD800 && character < 0xE000))
                return {0xFFFD, 1};
            return {character, length};
        }
    } // namespace

    char16_t UpperCase(char16_t unit) noexcept
    {
        return Upper(unit);
    }

    std::u16string NameKey(std::string_view cp1252)
    {
        std::u16string key(cp1252.size(), u'\0');
        for (std::size_t i = 0; i < cp1252.size(); ++i)
            key[i] = FoldedByte(cp1252[i]);
        return key;
    }

    std::u16string NameKeyOfUtf8(std::string_view utf8)
    {
        std::u16string key;
        key.reserve(utf8.size());
        for (std::size_t at = 0; at < utf8.size();)
        {
            const auto [character, length] = Decode(utf8.substr(at));
            at += length;
            if (character < 0x10000)
                key.push_back(Upper(static_cast<char16_t>(character)));
            else
            {
                key.push_back(static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)));
                key.push_back(static_cast<char16_t>(0xDC00 + ((character - 0x10000) & 0x3FF)));
            }
        }
        return key;
    }

    bool SameName(std::string_view cp1252, std::string_view other) noexcept
    {
        if (cp1252.size() != other.size())
            return false;
        for (std::size_t i = 0; i < cp1252.size(); ++i)
            if (FoldedByte(cp1252[i]) != FoldedByte(other[i]))
                return false;
        return true;
    }

    bool HasExtension(std::string_view name, std::string_view extension) noexcept
    {
        return name.size() >= extension.size() && SameName(name.substr(name.size() - extension.size()), extension);
    }
} // namespace GameData
