#pragma once
// The result of an operation that fails without throwing: either its value or a std::error_code
// whose category is one of the library's error contexts. It has the shape of std::expected<T,
// std::error_code>, which not every compiler of the project provides (clang 14 with libstdc++ 12
// has no <expected>), so the library keeps one small type that all of its builds share.

#include <system_error>
#include <type_traits>
#include <utility>

namespace Orvel
{
    // The error side of an Expected, spelled out at the place that fails:
    // `return Unexpected(MakeStringParsingError(...));`.
    struct Unexpected
    {
        std::error_code Error;

        explicit Unexpected(std::error_code error) noexcept : Error(error) {}
    };

    template <typename T>
    class Expected
    {
        static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                      "Expected holds small values (numbers, pointers)");

    public:
        using value_type = T;
        using error_type = std::error_code;

        Expected(T value) noexcept : m_value(value), m_hasValue(true) {}
        Expected(Unexpected error) noexcept : m_error(error.Error), m_hasValue(false) {}
        // A failure given as one of the library's error code enumerations.
        template <typename Code>
            requires std::is_error_code_enum_v<Code>
        Expected(Code code) noexcept : m_error(make_error_code(code)), m_hasValue(false)
        {
        }

        [[nodiscard]] bool has_value() const noexcept { return m_hasValue; }
        explicit operator bool() const noexcept { return m_hasValue; }

        // The value; throws std::system_error with the error when there is none.
        [[nodiscard]] const T& value() const
        {
            if (!m_hasValue)
                throw std::system_error(m_error);
            return m_value;
        }
        // The value without a check: only after has_value() said there is one.
        [[nodiscard]] const T& operator*() const noexcept { return m_value; }
        [[nodiscard]] const T* operator->() const noexcept { return &m_value; }

        template <typename U>
        [[nodiscard]] T value_or(U&& fallback) const
        {
            return m_hasValue ? m_value : static_cast<T>(std::forward<U>(fallback));
        }

        // The error; a default (zero) code when there is a value.
        [[nodiscard]] std::error_code error() const noexcept { return m_hasValue ? std::error_code() : m_error; }

    private:
        // One or the other: a success builds no std::error_code, whose default constructor calls
        // into the standard library for the system category.
        union
        {
            T m_value;
            std::error_code m_error;
        };
        bool m_hasValue;
    };
} // namespace Orvel
