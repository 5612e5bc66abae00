#pragma once
// Counts (and on request fails) the heap allocations that the current thread makes through
// operator new. The test programs that link this replace the global operator new and delete.

#include <cstddef>
#include <utility>

namespace NimbravaTest
{
    // This thread's allocation bookkeeping, read by the replaced operator new.
    struct AllocationState
    {
        std::size_t Allocations = 0;
        bool Counting = false;
        bool Failing = false;
        std::size_t Allowed = 0; // while Failing: how many more may succeed
        bool Refused = false;
        std::size_t Largest = 0; // the largest size allocated while counting
    };
    AllocationState& ThisThreadsAllocations() noexcept;

    // Counts this thread's allocations while it lives, and tells the largest since it began.
    class AllocationCounter
    {
    public:
        AllocationCounter() noexcept : m_wasCounting(std::exchange(State.Counting, true)) { State.Largest = 0; }
        ~AllocationCounter() { State.Counting = m_wasCounting; }
        [[nodiscard]] std::size_t Count() const noexcept { return State.Allocations - m_start; }
        [[nodiscard]] std::size_t Largest() const noexcept { return State.Largest; }

    private:
        AllocationState& State = ThisThreadsAllocations();
        std::size_t m_start = State.Allocations;
        bool m_wasCounting;
    };

    // While it lives, this thread's allocations after the first `allowed` ones throw std::bad_alloc
    // (the nothrow forms return null).
    class AllocationFailure
    {
    public:
        explicit AllocationFailure(std::size_t allowed) noexcept
        {
            State = {State.Allocations, State.Counting, true, allowed, false};
        }
        ~AllocationFailure() { State.Failing = false; }
        // Whether an allocation was refused.
        [[nodiscard]] bool Triggered() const noexcept { return State.Refused; }

    private:
        AllocationState& State = ThisThreadsAllocations();
    };
} // namespace NimbravaTest
