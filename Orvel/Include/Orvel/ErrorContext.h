#pragma once
// Error contexts: the std::error_category of the library's error codes. Each concrete context has
// one constant instance with static storage, and its codes start at 1.

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace Orvel
{
    class IErrorContext : public std::error_category
    {
    public:
        constexpr IErrorContext() noexcept = default;
        ~IErrorContext() override = default;

        // The context's name (a NUL-terminated literal).
        [[nodiscard]] const char* name() const noexcept final { return GetName().data(); }
        // The message of one code; see GetErrorMessage.
        [[nodiscard]] std::string message(int code) const final { return GetErrorMessage(code); }

        [[nodiscard]] virtual std::string_view GetName() const noexcept = 0;
        // The message of one code; the empty string for codes the context does not define.
        [[nodiscard]] virtual std::string GetErrorMessage(std::int32_t code) const = 0;
    };

    // The context of codes without a context of their own: named "DefaultError", no messages.
    class DefaultErrorContext final : public IErrorContext
    {
    public:
        constexpr DefaultErrorContext() noexcept = default;

        [[nodiscard]] std::string_view GetName() const noexcept override { return "DefaultError"; }
        [[nodiscard]] std::string GetErrorMessage(std::int32_t) const override { return {}; }

        [[nodiscard]] static const DefaultErrorContext& Instance() noexcept;
    };

    // A code of the default context.
    [[nodiscard]] std::error_code MakeDefaultError(std::int32_t code) noexcept;
} // namespace Orvel
