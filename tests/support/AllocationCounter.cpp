#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
    thread_local std::size_t Allocations = 0;
    thread_local bool Counting = false;
    thread_local bool Failing = false;
    thread_local std::size_t Allowed = 0;
    thread_local bool Refused = false;

    void* Allocate(std::size_t size, std::size_t alignment, bool nothrow)
    {
        if (Counting)
            ++Allocations;
        if (Failing)
        {
            if (Allowed == 0)
            {
                Refused = true;
                if (nothrow)
                    return nullptr;
                throw std::bad_alloc();
            }
            --Allowed;
        }
        if (size == 0)
            size = 1;
        void* block = nullptr;
        if (alignment <= alignof(std::max_align_t))
            block = std::malloc(size);
        else
        {
#ifdef _WIN32
            block = _aligned_malloc(size, alignment);
#else
            block = std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
#endif
        }
        if (block == nullptr && !nothrow)
            throw std::bad_alloc();
        return block;
    }

    void Free(void* block, std::size_t alignment) noexcept
    {
#ifdef _WIN32
        if (alignment > alignof(std::max_align_t))
        {
            _aligned_free(block);
            return;
        }
#else
        (void)alignment;
#endif
        std::free(block);
    }

    constexpr std::size_t Plain = alignof(std::max_align_t);
} // namespace

namespace NimbravaTest
{
    AllocationCounter::AllocationCounter() noexcept : m_start(Allocations), m_wasCounting(Counting)
    {
        Counting = true;
    }

    AllocationCounter::~AllocationCounter()
    {
        Counting = m_wasCounting;
    }

    std::size_t AllocationCounter::Count() const noexcept
    {
        return Allocations - m_start;
    }

    AllocationFailure::AllocationFailure(std::size_t allowed) noexcept
    {
        Failing = true;
        Allowed = allowed;
        Refused = false;
    }

    AllocationFailure::~AllocationFailure()
    {
        Failing = false;
    }

    bool AllocationFailure::Triggered() const noexcept
    {
        return Refused;
    }
} // namespace NimbravaTest

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
