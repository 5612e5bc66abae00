#pragma once
// The error codes of an import-table search and their error context.

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>
#include "Orvel/ErrorContext.h"

namespace Orvel::Hook
{
    enum class IATSearchErrorCode : std::int32_t
    {
        // The headers are not those of a 64-bit image, or the walk would leave the image.
        UnexpectedImageHeader = 1,
        // The module has no import directory, or no descriptor names the DLL.
        DllNameNotFound = 2,
        // The DLL's first descriptor has no import name table, or does not import the function by name.
        SymbolNameNotFound = 3,
    };

    // Named "IATSearchError"; one message per code, the empty string for any other value.
    class IATSearchErrorContext final : public IErrorContext
    {
    public:
        constexpr IATSearchErrorContext() noexcept = default;

        [[nodiscard]] std::string_view GetName() const noexcept override { return "IATSearchError"; }
        [[nodiscard]] std::string GetErrorMessage(std::int32_t code) const override;

        [[nodiscard]] static const IATSearchErrorContext& Instance() noexcept;
    };

    // A code of the one IATSearchErrorContext instance.
    [[nodiscard]] std::error_code make_error_code(IATSearchErrorCode code) noexcept;
} // namespace Orvel::Hook

template <>
struct std::is_error_code_enum<Orvel::Hook::IATSearchErrorCode> : std::true_type
{
};
