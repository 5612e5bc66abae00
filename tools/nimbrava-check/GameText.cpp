#include "GameText.h"

#include <fmt/format.h>
#ifdef _WIN32
#include <system_error>
#include "Files/CodePage.h"
#else
#include <algorithm>
#include "CodePageTables.h"
#include "GameData/Text.h"
#endif

namespace NimbravaCheck
{
    namespace
    {
        // Characters that would change what a terminal shows or the order it shows text in: the
        // control characters (C0, DEL and C1), the line and paragraph separators and the marks and
        // embeddings of writing direction, with which a name could seem to read otherwise.
        bool Hidden(char32_t character) noexcept
        {
            return character < 0x20 || (character >= 0x7F && character < 0xA0) || character == 0x061C ||
                   character == 0x200E || character == 0x200F || (character >= 0x2028 && character <= 0x202E) ||
                   (character >= 0x2066 && character <= 0x2069);
        }

#ifndef _WIN32
        std::optional<unsigned> GivenCodePage;
#endif
    } // namespace

#ifdef _WIN32
    std::optional<unsigned> GameCodePage()
    {
        return Nimbrava::FileApiCodePage();
    }

    bool SetGameCodePage(unsigned)
    {
        return false;
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
#else
    std::optional<unsigned> GameCodePage()
    {
        return GivenCodePage;
    }

    bool SetGameCodePage(unsigned codePage)
    {
        const auto tabled = TabledCodePages();
        if (std::find(tabled.begin(), tabled.end(), codePage) == tabled.end())
            return false;
        GivenCodePage = codePage;
        return true;
    }

    std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
    {
        if (codePage == 65001)
            return IsWellFormedUtf8(bytes) ? std::optional<std::string>(bytes) : std::nullopt;
        const auto text = DecodeTabled(bytes, codePage);
        if (!text)
            return std::nullopt;
        return GameData::Utf16ToUtf8(*text);
    }
#endif

    std::string Printable(std::string_view bytes)
    {
        const auto codePage = GameCodePage();
        if (codePage)
            if (const auto text = DecodeCodePage(bytes, *codePage))
                return PrintableText(*text);
        std::string out;
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte >= 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
        }
        return out;
    }

    std::string PrintableText(std::string_view utf8)
    {
        std::string out;
        out.reserve(utf8.size());
        for (std::size_t at = 0; at < utf8.size();)
        {
            const auto lead = static_cast<unsigned char>(utf8[at]);
            const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            const std::string_view sequence = utf8.substr(at, length);
            char32_t character = length == 1 ? lead : lead & (0x7F >> length);
            for (std::size_t i = 1; i < sequence.size(); ++i)
                character = character << 6 | (static_cast<unsigned char>(sequence[i]) & 0x3F);
            if (!Hidden(character))
                out += sequence;
            else if (character < 0x80)
                out += fmt::format("\\x{:02X}", static_cast<unsigned>(character));
            else
                out += fmt::format("\\u{:04X}", static_cast<unsigned>(character));
            at += sequence.size();
        }
        return out;
    }
} // namespace NimbravaCheck
