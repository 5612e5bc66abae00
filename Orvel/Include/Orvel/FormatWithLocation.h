#pragma once
// A compile-time checked format string together with the place where it was written.

#include <concepts>
#include <source_location>
#include <string_view>
#include <type_traits>
#include <fmt/core.h>

namespace Orvel
{
    template <typename... Args>
    struct BasicFormatWithLocation
    {
        fmt::format_string<Args...> Format;
        std::source_location Location;

        // Implicit on purpose: `throw IOException("Unable to open file {}", path)` builds it from the
        // literal, checks the format against the arguments at compile time and records the caller.
        template <typename S>
            requires std::convertible_to<const S&, std::string_view>
        consteval BasicFormatWithLocation(const S& format,
                                          std::source_location location = std::source_location::current())
            : Format(format), Location(location)
        {
        }
    };

    // The first parameter of formatted constructors; its arguments are deduced from the others.
    template <typename... Args>
    using FormatWithLocation = BasicFormatWithLocation<std::type_identity_t<Args>...>;
} // namespace Orvel
