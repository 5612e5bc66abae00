#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
    thread_local NimbravaTest::AllocationState State;
    constexpr std::size_t Plain = alignof(std::max_align_t);

    void* Allocate(std::size_t size, std::size_t alignment, bool nothrow)
    {
        State.Allocations += State.Counting ? 1 : 0;
        State.Largest = State.Counting && size > State.Largest ? size : State.Largest;
        if (State.Failing && State.Allowed-- == 0)
        {
            State.Allowed = 0;
            State.Refused = true;
            if (nothrow)
                return nullptr;
            throw std::bad_alloc();
        }
        size = size == 0 ? 1 : size;
#ifdef _WIN32
        void* block = alignment <= Plain ? std::malloc(size) : _aligned_malloc(size, alignment);
#else
        void* block = alignment <= Plain
                          ? std::malloc(size)
                          : std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
        if (block == nullptr && !nothrow)
            throw std::bad_alloc();
        return block;
    }

    void Free(void* block, [[maybe_unused]] std::size_t alignment) noexcept
    {
#ifdef _WIN32
        if (alignment > Plain)
            return _aligned_free(block);
#endif
        std::free(block);
    }
} // namespace

NimbravaTest::AllocationState& NimbravaTest::ThisThreadsAllocations() noexcept
{
    return State;
}

// Every replaceable form, one a line: they differ only in what they pass on.
// clang-format off
void* operator new(std::size_t size) { return Allocate(size, Plain, false); }
void* operator new[](std::size_t size) { return Allocate(size, Plain, false); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, Plain, true); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size, Plain, true); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a), false); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a), false); }
void operator delete(void* p) noexcept { Free(p, Plain); }
void operator delete[](void* p) noexcept { Free(p, Plain); }
void operator delete(void* p, std::size_t) noexcept { Free(p, Plain); }
void operator delete[](void* p, std::size_t) noexcept { Free(p, Plain); }
void operator delete(void* p, std::align_val_t a) noexcept { Free(p, static_cast<std::size_t>(a)); }
void operator delete[](void* p, std::align_val_t a) noexcept { Free(p, static_cast<std::size_t>(a)); }
void operator delete(void* p, std::size_t, std::align_val_t a) noexcept { Free(p, static_cast<std::size_t>(a)); }
void operator delete[](void* p, std::size_t, std::align_val_t a) noexcept { Free(p, static_cast<std::size_t>(a)); }
// clang-format on
