#pragma once
// An exception that gathers the failures of several independent calls, and the rendering of any
// std::exception (with what is nested in it) as "TypeName(message)" text.

#include <cstdint>
#include <exception>
#include <memory>
#include <source_location>
#include <string>
#include <vector>
#include "Orvel/Exceptions.h"

namespace Orvel
{
    class AggregateException
        : public CustomExceptionTemplate<ExceptionDetails::AggregateExceptionContext, GenericException>
    {
    public:
        explicit AggregateException(std::source_location location = std::source_location::current()) noexcept;
        AggregateException(const AggregateException&) = default;
        AggregateException(AggregateException&&) noexcept = default;
        AggregateException& operator=(const AggregateException&) = default;
        AggregateException& operator=(AggregateException&&) noexcept = default;
        ~AggregateException() override;

        // Each keeps a shared copy of the given part of the caught object (its GenericException or
        // std::exception part, not its dynamic type). Throw std::bad_alloc.
        void Add(const GenericException& caught);
        void Add(const std::exception& caught);
        void Add(std::exception_ptr caught);

        [[nodiscard]] bool Empty() const noexcept
        {
            return GenericExceptions.empty() && StandardExceptions.empty() && OtherExceptions.empty();
        }

        // "AggregateException(message)", then "{", one tab-indented line per entry (continuation
        // lines indented too) and "}", each line ending in a line feed. Empty if it cannot be built.
        [[nodiscard]] std::string ToString() const noexcept override;

        std::vector<std::shared_ptr<GenericException>> GenericExceptions;
        std::vector<std::shared_ptr<std::exception>> StandardExceptions;
        std::vector<std::exception_ptr> OtherExceptions;
    };

    // Appends "TypeName(what)" for e and, on further lines indented by depth + 1 tabs, for every
    // exception nested in it. If anything fails, including a nested exception that is not a
    // std::exception, `out` is cleared entirely. Never throws. Callers start with depth 0.
    void AppendExceptionText(std::string& out, const std::exception& e, std::uint32_t depth) noexcept;

    // The text of any caught exception: a std::exception as AppendExceptionText renders it (depth 0),
    // anything else as "UnkownException". Empty when it cannot be built or nothing was caught. Never
    // throws.
    [[nodiscard]] std::string ExceptionText(const std::exception_ptr& caught) noexcept;
} // namespace Orvel
