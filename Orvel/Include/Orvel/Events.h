#pragma once
// A multicast event: handlers are plain functions and stored callables; raising runs every one of
// them, whatever the others do, and reports all failures together.

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>
#include <source_location>
#include <utility>
#include <vector>
#include "Orvel/AggregateException.h"
#include "Orvel/Function.h"

namespace Orvel
{
    // Not synchronised: the owner holds its own lock around Raise and around every change of the
    // handler lists, and handlers must not change the lists of the event that calls them.
    template <typename... Args>
    class EventHandler
    {
    public:
        using FunctionPointer = void (*)(Args...);
        using CallableId = std::uint64_t;

        // Adds a plain function. Throws InvalidOperationException for a null pointer.
        void AddFunction(FunctionPointer function)
        {
            if (function == nullptr)
                throw InvalidOperationException("Null event handler");
            m_functions.push_back(function);
        }

        // Removes the first registration of the function; false when it was not registered.
        bool RemoveFunction(FunctionPointer function) noexcept
        {
            const auto it = std::find(m_functions.begin(), m_functions.end(), function);
            if (it == m_functions.end())
                return false;
            m_functions.erase(it);
            return true;
        }

        // Adds a stored callable (an empty one too: raising then reports "Bad function call").
        // Returns the id that removes it.
        CallableId AddCallable(Function<void(Args...)> callable)
        {
            m_callableIds.reserve(m_callableIds.size() + 1);
            m_callables.push_back(std::move(callable));
            m_callableIds.push_back(++m_lastId);
            return m_lastId;
        }

        bool RemoveCallable(CallableId id) noexcept
        {
            const auto it = std::find(m_callableIds.begin(), m_callableIds.end(), id);
            if (it == m_callableIds.end())
                return false;
            const auto index = it - m_callableIds.begin();
            m_callableIds.erase(it);
            m_callables.erase(m_callables.begin() + index);
            return true;
        }

        [[nodiscard]] bool Empty() const noexcept { return m_functions.empty() && m_callables.empty(); }

        // Calls every plain function, then every stored callable, in registration order, each with
        // copies of the arguments. Throws AggregateException listing every failure when at least one
        // handler failed; a failure while recording a failure (std::bad_alloc) leaves at once.
        void Raise(Args... args) const
        {
            // Made only when a handler fails: raising with well-behaved handlers costs no allocation.
            std::optional<AggregateException> failures;
            const std::source_location location = std::source_location::current();
            const auto record = [&] {
                if (!failures)
                    failures.emplace(location);
                try
                {
                    throw;
                }
                catch (const GenericException& e)
                {
                    failures->Add(e);
                }
                catch (const std::exception& e)
                {
                    failures->Add(e);
                }
                catch (...)
                {
                    failures->Add(std::current_exception());
                }
            };

            for (const FunctionPointer function : m_functions)
            {
                try
                {
                    function(args...);
                }
                catch (...)
                {
                    record();
                }
            }
            for (const auto& callable : m_callables)
            {
                try
                {
                    callable.Invoke(args...);
                }
                catch (...)
                {
                    record();
                }
            }
            if (failures && !failures->Empty())
                throw std::move(*failures);
        }

    private:
        std::vector<FunctionPointer> m_functions;
        std::vector<Function<void(Args...)>> m_callables;
        std::vector<CallableId> m_callableIds;
        CallableId m_lastId = 0;
    };
} // namespace Orvel
