#pragma once
// Counts (and on request fails) the heap allocations that the current thread makes through
// operator new. The test programs that link this replace the global operator new and delete.

#include <cstddef>

namespace NimbravaTest
{
    // Counts this thread's allocations while it lives.
    class AllocationCounter
    {
    public:
        AllocationCounter() noexcept;
        ~AllocationCounter();
        AllocationCounter(const AllocationCounter&) = delete;
        AllocationCounter& operator=(const AllocationCounter&) = delete;

        [[nodiscard]] std::size_t Count() const noexcept;

    private:
        std::size_t m_start;
        bool m_wasCounting;
    };

    // While it lives, this thread's allocations after the first `allowed` ones throw std::bad_alloc.
    class AllocationFailure
    {
    public:
        explicit AllocationFailure(std::size_t allowed) noexcept;
        ~AllocationFailure();
        AllocationFailure(const AllocationFailure&) = delete;
        AllocationFailure& operator=(const AllocationFailure&) = delete;

        // Whether an allocation was refused.
        [[nodiscard]] bool Triggered() const noexcept;
    };
} // namespace NimbravaTest
