#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

thread_local NimbravaTest::AllocationState NimbravaTest::ThisThreadsAllocations;

namespace
{
    // Every block is allocated aligned, so that one function frees them all.
    void* Allocate(std::size_t size, std::size_t alignment)
    {
        NimbravaTest::AllocationState& state = NimbravaTest::ThisThreadsAllocations;
        state.Allocations += state.Counting ? 1 : 0;
        state.Largest = state.Counting && size > state.Largest ? size : state.Largest;
        if (state.Failing && state.Allowed-- == 0)
        {
            state.Allowed = 0;
            state.Refused = true;
            throw std::bad_alloc();
        }
        size = size == 0 ? 1 : size;
#ifdef _WIN32
        void* block = _aligned_malloc(size, alignment);
#else
        void* block = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
        if (block == nullptr)
            throw std::bad_alloc();
        return block;
    }

    void Free(void* block) noexcept
    {
#ifdef _WIN32
        _aligned_free(block);
#else
        std::free(block);
#endif
    }
} // namespace

// The forms that the standard's others (arrays, nothrow) call, one a line: they differ only in what
// they pass on.
// clang-format off
void* operator new(std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
// clang-format on
