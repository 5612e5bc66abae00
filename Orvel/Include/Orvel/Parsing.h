#pragma once
// Reading numbers from configuration text: one unsigned 32-bit hexadecimal number from the front of
// a text (ParseHexNumber), and a separated list of them (ParseHexNumberList). Failures come back as
// error codes of the StringParsingError context; nothing here throws for bad text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>
#include "Orvel/Ascii.h"
#include "Orvel/ErrorContext.h"
#include "Orvel/Expected.h"

namespace Orvel
{
    enum class StringParsingErrorCode : std::int32_t
    {
        ParseFailed = 1,           // no digit where the number should start
        ValueTooLarge = 2,         // more than the type holds
        NegativeValueTooLarge = 3, // not produced by this library
        SequenceTooShort = 4,      // not produced by this library
    };

    // The category of parsing errors, named "StringParsingError". Unlike the other contexts it maps
    // its codes to portable conditions, so that a parsing error compares equal to
    // std::errc::invalid_argument (codes 1 and 4) or std::errc::result_out_of_range (codes 2 and 3).
    class StringParsingErrorContext final : public IErrorContext
    {
    public:
        constexpr StringParsingErrorContext() noexcept = default;

        [[nodiscard]] std::string_view GetName() const noexcept override { return "StringParsingError"; }
        [[nodiscard]] std::string GetErrorMessage(std::int32_t code) const override;
        [[nodiscard]] std::error_condition default_error_condition(int code) const noexcept override;

        [[nodiscard]] static const StringParsingErrorContext& Instance() noexcept;
    };

    // A code of the StringParsingError context.
    [[nodiscard]] std::error_code MakeStringParsingError(StringParsingErrorCode code) noexcept;
    [[nodiscard]] inline std::error_code make_error_code(StringParsingErrorCode code) noexcept
    {
        return MakeStringParsingError(code);
    }

    // Reads one unsigned 32-bit hexadecimal number from the front of `text`: leading white space,
    // then an optional '+', then an optional "0x"/"0X" prefix, then hexadecimal digits of either case
    // for as long as they come. Leading zeros are free; a ninth significant digit is an overflow.
    // A '-' before a prefix makes the number read as 0; a '-' without a prefix is no digit.
    //
    // `end` is set in every case, as an offset into `text`: after the last digit on success and on
    // ValueTooLarge, where the first digit was expected on ParseFailed. Never throws, never allocates.
    [[nodiscard]] Expected<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t& end) noexcept;

    // Reads a list of hexadecimal numbers separated by `separator` (one or more characters), with
    // white space allowed around each separator and one separator allowed at the very end. The list
    // ends early, keeping what was read, at the first character after a number that is neither white
    // space nor the start of a separator. A number that cannot be read (an empty element, one that
    // does not start with a digit, one over 32 bits) turns the whole result into `fallback`.
    // An empty text gives an empty list. Only exhausted memory throws.
    [[nodiscard]] std::vector<std::uint32_t> ParseHexNumberList(std::string_view text,
                                                                std::vector<std::uint32_t> fallback,
                                                                std::string_view separator);

    // Where a list reading stopped, for a caller that tells a person why a list reads as it does.
    struct HexNumberListEnd
    {
        // An offset into the text: its size when the list ran to the end (a separator at the very end
        // included); where the list ended early (a character that is neither white space nor the
        // start of a separator, or a tail shorter than the separator); or, with Error, where the
        // element that could not be read begins (after the separator before it, if any).
        std::size_t Position = 0;
        // The ParseHexNumber error of that element; empty when every element read.
        std::error_code Error;
    };

    // ParseHexNumberList that also tells where and why it stopped. Only exhausted memory throws.
    [[nodiscard]] std::vector<std::uint32_t> ParseHexNumberList(std::string_view text,
                                                                std::vector<std::uint32_t> fallback,
                                                                std::string_view separator, HexNumberListEnd& end);
} // namespace Orvel

template <>
struct std::is_error_code_enum<Orvel::StringParsingErrorCode> : std::true_type
{
};
