#pragma once
// Counts (and on request fails) the heap allocations that the current thread makes through
// operator new. The test programs that link this replace the global operator new and delete.

#include <cstddef>
#include <optional>
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
        std::size_t Live = 0;    // bytes allocated and not yet freed, counting or not
        std::size_t Peak = 0;    // the most Live came to while counting
    };
    extern thread_local AllocationState ThisThreadsAllocations;

    // Counts this thread's allocations while it lives, and tells the largest since it began, the bytes
    // allocated since then and not freed, and the most of those there ever were. Given
    // `allowed`, the allocations after the first `allowed` ones throw std::bad_alloc (the nothrow forms
    // return null), and Refused() tells whether one was refused.
    class AllocationCounter
    {
    public:
        explicit AllocationCounter(std::optional<std::size_t> allowed = {}) noexcept : m_wasCounting(State.Counting)
        {
            State = {State.Allocations, true,      allowed.has_value(), allowed.value_or(0), false, 0,
                     State.Live,        State.Live};
        }
        ~AllocationCounter()
        {
            State = {State.Allocations, m_wasCounting, false, 0, State.Refused, State.Largest, State.Live, State.Peak};
        }
        [[nodiscard]] std::size_t Count() const noexcept { return State.Allocations - m_start; }
        [[nodiscard]] std::size_t Largest() const noexcept { return State.Largest; }
        [[nodiscard]] bool Refused() const noexcept { return State.Refused; }
        // Bytes allocated since the counter began and still held (negative when more was freed).
        [[nodiscard]] std::ptrdiff_t Kept() const noexcept
        {
            return static_cast<std::ptrdiff_t>(State.Live) - static_cast<std::ptrdiff_t>(m_live);
        }
        // The most bytes held at once since the counter began, beyond those held when it began.
        [[nodiscard]] std::size_t Peak() const noexcept { return State.Peak - m_live; }

    private:
        AllocationState& State = ThisThreadsAllocations;
        std::size_t m_start = State.Allocations;
        std::size_t m_live = State.Live;
        bool m_wasCounting;
    };
} // namespace NimbravaTest
