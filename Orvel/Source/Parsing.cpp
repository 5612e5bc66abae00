#include "Orvel/Parsing.h"

#include <array>
#include <utility>

namespace Orvel
{
    namespace
    {
        constinit const StringParsingErrorContext StringParsingErrorContextInstance;

        // The value of every byte as a hexadecimal digit, 16 for bytes that are not one: one load
        // and one compare per digit, and no branch on which range the digit is in.
        constexpr std::array<std::uint8_t, 256> HexDigitValues = [] {
            std::array<std::uint8_t, 256> values{};
            for (auto& value : values)
                value = 16;
            for (std::uint8_t i = 0; i < 10; ++i)
                values['0' + i] = i;
            for (std::uint8_t i = 0; i < 6; ++i)
            {
                values['a' + i] = static_cast<std::uint8_t>(10 + i);
                values['A' + i] = static_cast<std::uint8_t>(10 + i);
            }
            return values;
        }();

        constexpr unsigned HexDigitValue(char c) noexcept
        {
            return HexDigitValues[static_cast<unsigned char>(c)];
        }
    } // namespace

    std::string StringParsingErrorContext::GetErrorMessage(std::int32_t code) const
    {
        switch (static_cast<StringParsingErrorCode>(code))
        {
        case StringParsingErrorCode::ParseFailed:
            return "String couldn't be parsed to the requested type.";
        case StringParsingErrorCode::ValueTooLarge:
        case StringParsingErrorCode::NegativeValueTooLarge:
            return "Parsed value is too large for the requested type.";
        case StringParsingErrorCode::SequenceTooShort:
            return "Number sequence wasn't long enough for exact range parsing.";
        }
        return {};
    }

    std::error_condition StringParsingErrorContext::default_error_condition(int code) const noexcept
    {
        switch (static_cast<StringParsingErrorCode>(code))
        {
        case StringParsingErrorCode::ParseFailed:
        case StringParsingErrorCode::SequenceTooShort:
            return std::errc::invalid_argument;
        case StringParsingErrorCode::ValueTooLarge:
        case StringParsingErrorCode::NegativeValueTooLarge:
            return std::errc::result_out_of_range;
        }
        return {code, *this};
    }

    const StringParsingErrorContext& StringParsingErrorContext::Instance() noexcept
    {
        return StringParsingErrorContextInstance;
    }

    std::error_code MakeStringParsingError(StringParsingErrorCode code) noexcept
    {
        return {static_cast<int>(code), StringParsingErrorContextInstance};
    }

    Expected<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t& end) noexcept
    {
        const std::size_t size = text.size();
        std::size_t position = 0;
        bool minus = false;
        // Most texts start with their first digit (or the '0' of a prefix): white space and signs
        // are looked for only when they do not.
        if (size != 0 && HexDigitValue(text[0]) > 15)
        {
            while (position < size && IsSpace(text[position]))
                ++position;
            if (position < size && text[position] == '+')
                ++position;
            minus = position < size && text[position] == '-';
        }

        // A '-' counts only in front of a prefix ("-0x1" reads as 0); without one the digits are
        // looked for at the '-' itself, where none is found.
        const std::size_t prefix = minus ? position + 1 : position;
        bool negative = false;
        if (prefix + 1 < size && text[prefix] == '0' && (text[prefix + 1] | 0x20) == 'x')
        {
            position = prefix + 2;
            negative = minus;
        }

        const std::size_t first = position;
        std::uint32_t value = 0;
        bool overflow = false;
        for (; position < size; ++position)
        {
            const unsigned digit = HexDigitValue(text[position]);
            if (digit > 15)
                break;
            // Below 0x10000000 one more digit still fits; leading zeros keep the value at 0 and so
            // never count toward the overflow. Further digits are consumed all the same.
            if (value < 0x10000000u)
                value = value * 16 + digit;
            else
                overflow = true;
        }

        end = position;
        if (position == first)
            return Unexpected(MakeStringParsingError(StringParsingErrorCode::ParseFailed));
        if (overflow)
            return Unexpected(MakeStringParsingError(StringParsingErrorCode::ValueTooLarge));
        return negative ? 0u : value;
    }

    std::vector<std::uint32_t> ParseHexNumberList(std::string_view text, std::vector<std::uint32_t> fallback,
                                                  std::string_view separator)
    {
        HexNumberListEnd end;
        return ParseHexNumberList(text, std::move(fallback), separator, end);
    }

    std::vector<std::uint32_t> ParseHexNumberList(std::string_view text, std::vector<std::uint32_t> fallback,
                                                  std::string_view separator, HexNumberListEnd& end)
    {
        std::vector<std::uint32_t> result;
        std::size_t cursor = 0;
        end = {text.size(), {}};
        while (cursor < text.size())
        {
            std::size_t used = 0;
            const auto number = ParseHexNumber(text.substr(cursor), used);
            if (!number)
            {
                end = {cursor, number.error()};
                return fallback;
            }
            result.push_back(*number);
            cursor += used;

            // Between two numbers: white space, then the separator, which must be there.
            for (;;)
            {
                if (cursor == text.size())
                    return result;
                if (text.size() - cursor < separator.size())
                {
                    end.Position = cursor;
                    return result;
                }
                if (text.compare(cursor, separator.size(), separator) == 0)
                {
                    // A separator at the very end is allowed; otherwise the next number follows.
                    cursor += separator.size();
                    if (cursor == text.size())
                        return result;
                    break;
                }
                if (!IsSpace(text[cursor]))
                {
                    end.Position = cursor;
                    return result;
                }
                ++cursor;
            }
        }
        return result;
    }
} // namespace Orvel
