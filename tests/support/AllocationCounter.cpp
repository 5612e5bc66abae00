#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

thread_local NimbravaTest::AllocationState NimbravaTest::ThisThreadsAllocations;

// The other forms of new and delete (arrays, nothrow, sized) call these two, as the standard's
// default versions do; the over-aligned forms are left alone: nothing counted allocates such types.
void* operator new(std::size_t size)
{
    NimbravaTest::AllocationState& State = NimbravaTest::ThisThreadsAllocations; // this thread's
    State.Allocations += State.Counting ? 1 : 0;
    State.Largest = State.Counting && size > State.Largest ? size : State.Largest;
    if (State.Failing && State.Allowed-- == 0)
    {
        State.Allowed = 0;
        State.Refused = true;
        throw std::bad_alloc();
    }
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, std::size_t) noexcept
{
    std::free(block);
}
