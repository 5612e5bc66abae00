#pragma once
// The utility library's exception tree. Every exception is a std::runtime_error that also carries
// the source location of its throw and prints as "TypeName(message)".

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <fmt/format.h>
#include "Orvel/FormatWithLocation.h"
#include "Orvel/StringBuffer.h"

namespace Orvel
{
    namespace ExceptionDetails
    {
        // Formatted messages are built here; up to 127 characters need no allocation before the
        // one copy into the std::runtime_error base.
        using MessageBuffer = StringBuffer<128>;

        // A shared empty text for the base of exceptions with a static message: copying it only
        // shares the text, so such exceptions allocate nothing.
        const std::runtime_error& EmptyRuntimeError() noexcept;

        // "name(message)", or the empty string when it cannot be built.
        std::string RenderNameAndMessage(std::string_view name, std::string_view message) noexcept;
    } // namespace ExceptionDetails

    // A message with static storage, usually a string literal. Only constant expressions make one,
    // so a message in a local buffer cannot be kept by address by mistake.
    struct LiteralMessage
    {
        const char* Text;
        std::size_t Length;

        template <std::size_t N>
        consteval LiteralMessage(const char (&text)[N]) noexcept : Text(text), Length(N - 1)
        {
        }
    };

    class GenericException : public std::runtime_error
    {
    public:
        static constexpr std::string_view Name = "GenericException";

        // A static message is kept by address: nothing is copied and the base text stays empty.
        explicit GenericException(LiteralMessage message,
                                  std::source_location location = std::source_location::current()) noexcept
            : std::runtime_error(ExceptionDetails::EmptyRuntimeError()), MessageLength(message.Length),
              Location(location), StaticMessage(message.Text)
        {
        }

        // A formatted message is copied into the std::runtime_error base. Throws std::bad_alloc.
        template <typename Arg, typename... Args>
        explicit GenericException(FormatWithLocation<Arg, Args...> format, Arg&& arg, Args&&... args)
            : GenericException(Formatted(format.Format, fmt::make_format_args(arg, args...)), format.Location)
        {
        }

        GenericException(const GenericException&) = default;
        GenericException& operator=(const GenericException&) = default;
        ~GenericException() override;

        // The static message if there is one, else the formatted text; never null.
        [[nodiscard]] const char* what() const noexcept override;
        // The message, MessageLength characters long.
        [[nodiscard]] virtual std::string_view GetMessage() const noexcept;
        // "GenericException(message)"; the empty string if it cannot be built. Never throws.
        [[nodiscard]] virtual std::string ToString() const noexcept;

        [[nodiscard]] const std::source_location& GetLocation() const noexcept { return Location; }
        [[nodiscard]] bool HasStaticMessage() const noexcept { return StaticMessage != nullptr; }

    protected:
        std::uint64_t MessageLength;
        std::source_location Location;
        const char* StaticMessage;

    private:
        struct FormattedMessage
        {
            ExceptionDetails::MessageBuffer Text;
        };

        static FormattedMessage&& Formatted(fmt::string_view format, fmt::format_args args,
                                            FormattedMessage&& out = FormattedMessage())
        {
            fmt::vformat_to(std::back_inserter(out.Text), format, args);
            out.Text.push_back('\0');
            return std::move(out);
        }

        GenericException(FormattedMessage&& message, std::source_location location);
    };

    // An exception type made of a base exception and a context that names it. It adds no state.
    template <typename Context, typename Base = GenericException>
    class CustomExceptionTemplate : public Base
    {
    public:
        using Base::Base;

        [[nodiscard]] std::string ToString() const noexcept override
        {
            return ExceptionDetails::RenderNameAndMessage(Context::Name, this->GetMessage());
        }
    };

    namespace ExceptionDetails
    {
        struct InvalidOperationExceptionContext
        {
            static constexpr std::string_view Name = "InvalidOperationException";
        };
        struct IOExceptionContext
        {
            static constexpr std::string_view Name = "IOException";
        };
        struct AggregateExceptionContext
        {
            static constexpr std::string_view Name = "AggregateException";
        };

        // The C runtime's text for an errno value, or the empty string when there is none.
        std::string ErrnoText(int value);
    } // namespace ExceptionDetails

    using InvalidOperationException =
        CustomExceptionTemplate<ExceptionDetails::InvalidOperationExceptionContext, GenericException>;
    using IOException = CustomExceptionTemplate<ExceptionDetails::IOExceptionContext, GenericException>;

    // An exception that also records the calling thread's errno, read once the base is complete.
    template <typename Base>
    class ErrnoException : public Base
    {
    public:
        explicit ErrnoException(LiteralMessage message,
                                std::source_location location = std::source_location::current()) noexcept
            : Base(message, location), ErrnoValue(errno)
        {
        }

        template <typename Arg, typename... Args>
        explicit ErrnoException(FormatWithLocation<Arg, Args...> format, Arg&& arg, Args&&... args)
            : Base(format, std::forward<Arg>(arg), std::forward<Args>(args)...), ErrnoValue(errno)
        {
        }

        [[nodiscard]] int GetErrnoValue() const noexcept { return ErrnoValue; }

        // The base's text followed by " -> errno state (N): <C runtime text>". If the errno part
        // cannot be added, the text built so far. Never throws.
        [[nodiscard]] std::string ToString() const noexcept override
        {
            std::string text = Base::ToString();
            try
            {
                fmt::format_to(std::back_inserter(text), " -> errno state ({}): {}", ErrnoValue,
                               ExceptionDetails::ErrnoText(ErrnoValue));
            }
            catch (...)
            {
            }
            return text;
        }

    protected:
        std::int32_t ErrnoValue;
    };
} // namespace Orvel
