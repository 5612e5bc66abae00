#pragma once
// What the fuzz targets share: a check that stops the run with a message when a property fails, and
// an independent reading of one hexadecimal number to compare the library with.

#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <system_error>

namespace FuzzCheck
{
    [[noreturn]] inline void Fail(const char* what, const char* file, int line)
    {
        std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
        std::fflush(stderr);
        std::abort();
    }

    // What ParseHexNumber should give: built on std::from_chars for the digits and on the C
    // library's isspace for the white space, independent of the library's own code.
    struct HexReading
    {
        bool Ok;
        std::uint32_t Value;
        int Code; // 1 no digit, 2 too large
        std::size_t End;
    };

    inline HexReading ReferenceHexReading(std::string_view text)
    {
        std::size_t i = 0;
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])) != 0)
            ++i;
        if (i < text.size() && text[i] == '+')
            ++i;
        std::size_t digits = i;
        bool negative = false;
        const std::size_t sign = (i < text.size() && text[i] == '-') ? 1 : 0;
        const std::string_view rest = text.substr(i + sign > text.size() ? text.size() : i + sign);
        if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X'))
        {
            digits = i + sign + 2;
            negative = sign == 1;
        }
        const char* first = text.data() + digits;
        const char* last = text.data() + text.size();
        std::uint32_t value = 0;
        // from_chars takes neither a sign nor white space for an unsigned type: exactly the digits.
        const auto [end, error] = std::from_chars(first, last, value, 16);
        const auto position = static_cast<std::size_t>(end - text.data());
        if (error == std::errc::invalid_argument)
            return {false, 0, 1, digits};
        if (error == std::errc::result_out_of_range)
            return {false, 0, 2, position};
        return {true, negative ? 0u : value, 0, position};
    }
} // namespace FuzzCheck

#define FUZZ_REQUIRE(condition) ((condition) ? (void)0 : ::FuzzCheck::Fail(#condition, __FILE__, __LINE__))
