#include "Orvel/Exceptions.h"

#include <cstring>
#include <string.h>

namespace Orvel
{
    namespace ExceptionDetails
    {
        const std::runtime_error& EmptyRuntimeError() noexcept
        {
            static const std::runtime_error empty("");
            return empty;
        }

        std::string RenderNameAndMessage(std::string_view name, std::string_view message) noexcept
        {
            try
            {
                std::string text;
                text.reserve(name.size() + message.size() + 2);
                fmt::format_to(std::back_inserter(text), "{}({})", name, message);
                return text;
            }
            catch (...)
            {
                return {};
            }
        }

        std::string ErrnoText(int value)
        {
            char text[256];
            text[sizeof text - 1] = '\0';
#ifdef _WIN32
            if (strerror_s(text, sizeof text, value) != 0)
                return {};
            return text;
#else
            // The GNU variant: returns either `text` or a static string.
            const char* result = strerror_r(value, text, sizeof text - 1);
            return result != nullptr ? std::string(result) : std::string();
#endif
        }
    } // namespace ExceptionDetails

    GenericException::GenericException(FormattedMessage&& message, std::source_location location)
        : std::runtime_error(message.Text.data()), MessageLength(0), Location(location), StaticMessage(nullptr)
    {
        // The base copied the text up to its first NUL; a message with an embedded NUL must not
        // claim more characters than that copy holds.
        const char* copy = std::runtime_error::what();
        const auto formatted = message.Text.size() - 1;
        const void* nul = std::memchr(copy, '\0', static_cast<std::size_t>(formatted));
        MessageLength = nul != nullptr ? static_cast<std::uint64_t>(static_cast<const char*>(nul) - copy) : formatted;
    }

    GenericException::~GenericException() = default;

    const char* GenericException::what() const noexcept
    {
        if (StaticMessage != nullptr)
            return StaticMessage;
        const char* text = std::runtime_error::what();
        return text != nullptr ? text : "Unknown exception";
    }

    std::string_view GenericException::GetMessage() const noexcept
    {
        return {what(), static_cast<std::size_t>(MessageLength)};
    }

    std::string GenericException::ToString() const noexcept
    {
        return ExceptionDetails::RenderNameAndMessage(Name, GetMessage());
    }
} // namespace Orvel
