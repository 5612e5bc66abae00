#include "text/CodePageTables.h"

#include <array>
#include <cstdint>
#include "text/Utf8Sequence.h"

namespace NimbravaCheck
{
    namespace
    {
        // What the tables hold for a byte that is no character of its own.
        constexpr char16_t NoText = 0xFFFF;
        constexpr char16_t LeadByte = 0xFFFE;

        // One code page. Below 0x80 every byte is ASCII (MakeTables checks that).
        struct Table
        {
            unsigned CodePage;
            const char16_t* High;               // the bytes 0x80 to 0xFF alone: a character, NoText or LeadByte
            const std::uint8_t* Rows = nullptr; // a double-byte code page's: the row of each lead byte 0x80 to 0xFF
            const char16_t* Pairs = nullptr;    // the rows: a character or NoText per trail byte
            unsigned char FirstTrail = 0, LastTrail = 0; // the trail bytes of each row
        };

#include "CodePageTables.inc"

        constexpr auto CodePages = [] {
            std::array<unsigned, std::size(Tables)> numbers{};
            for (std::size_t i = 0; i < numbers.size(); ++i)
                numbers[i] = Tables[i]->CodePage;
            return numbers;
        }();

        std::optional<std::u16string> DecodeUtf8(std::string_view bytes)
        {
            std::u16string text;
            text.reserve(bytes.size());
            for (std::size_t at = 0, length = 0; at < bytes.size(); at += length)
            {
                char32_t character = 0;
                if ((length = Utf8Sequence(bytes.substr(at), character)) == 0)
                    return std::nullopt;
                if (character >= 0x10000)
                {
                    text.push_back(static_cast<char16_t>(0xD800 + ((character - 0x10000) >> 10)));
                    character = 0xDC00 + (character & 0x3FF);
                }
                text.push_back(static_cast<char16_t>(character));
            }
            return text;
        }
    } // namespace

    std::span<const unsigned> TabledCodePages() noexcept
    {
        return CodePages;
    }

    std::optional<std::u16string> DecodeTabled(std::string_view bytes, unsigned codePage)
    {
        if (codePage == 65001)
            return DecodeUtf8(bytes);
        const Table* table = nullptr;
        for (const Table* candidate : Tables)
            if (candidate->CodePage == codePage)
                table = candidate;
        if (!table)
            return std::nullopt;
        std::u16string text;
        text.reserve(bytes.size());
        for (std::size_t at = 0; at < bytes.size(); ++at)
        {
            const auto byte = static_cast<unsigned char>(bytes[at]);
            char16_t character = byte < 0x80 ? byte : table->High[byte - 0x80];
            if (character == LeadByte)
            {
                if (++at == bytes.size())
                    return std::nullopt;
                const auto trail = static_cast<unsigned char>(bytes[at]);
                if (trail < table->FirstTrail || trail > table->LastTrail)
                    return std::nullopt;
                const unsigned width = table->LastTrail - table->FirstTrail + 1u;
                character = table->Pairs[table->Rows[byte - 0x80] * width + trail - table->FirstTrail];
            }
            if (character == NoText)
                return std::nullopt;
            text.push_back(character);
        }
        return text;
    }
} // namespace NimbravaCheck
