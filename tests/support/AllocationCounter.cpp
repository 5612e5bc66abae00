#include "AllocationCounter.h"

#include <cstddef>
#include <cstdlib>
#include <new>

thread_local NimbravaTest::AllocationState NimbravaTest::ThisThreadsAllocations;

namespace
{
    // Every block is allocated aligned, so that one function frees them all, behind a header of one
    // alignment's size whose last two words hold the alignment and the size asked for.
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
        alignment = alignment < 2 * sizeof(std::size_t) ? 2 * sizeof(std::size_t) : alignment;
        const std::size_t whole = alignment + (size + alignment - 1) / alignment * alignment;
#ifdef _WIN32
        auto* block = static_cast<std::byte*>(_aligned_malloc(whole, alignment));
#else
        auto* block = static_cast<std::byte*>(std::aligned_alloc(alignment, whole));
#endif
        if (block == nullptr)
            throw std::bad_alloc();
        auto* header = reinterpret_cast<std::size_t*>(block + alignment) - 2;
        header[0] = alignment;
        header[1] = size;
        state.Live += size;
        state.Peak = state.Counting && state.Live > state.Peak ? state.Live : state.Peak;
        return block + alignment;
    }

    void Free(void* memory) noexcept
    {
        if (memory == nullptr)
            return;
        const auto* header = static_cast<std::size_t*>(memory) - 2;
        NimbravaTest::ThisThreadsAllocations.Live -= header[1];
        void* block = static_cast<std::byte*>(memory) - header[0];
#ifdef _WIN32
        _aligned_free(block);
#else
        std::free(block);
#endif
    }
} // namespace

// Every form, each a line: they differ only in what they pass on. (The standard's own array and
// nothrow forms would call the plain ones, but a sanitizer's runtime replaces them with its own, whose
// blocks have no header.)
// clang-format off
void* operator new(std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new(std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new[](std::size_t size) { return Allocate(size, alignof(std::max_align_t)); }
void* operator new[](std::size_t size, std::align_val_t a) { return Allocate(size, static_cast<std::size_t>(a)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { try { return Allocate(size, alignof(std::max_align_t)); } catch (...) { return nullptr; } }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { try { return Allocate(size, static_cast<std::size_t>(a)); } catch (...) { return nullptr; } }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { try { return Allocate(size, alignof(std::max_align_t)); } catch (...) { return nullptr; } }
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept { try { return Allocate(size, static_cast<std::size_t>(a)); } catch (...) { return nullptr; } }
void operator delete(void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { Free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { Free(p); }
// clang-format on
