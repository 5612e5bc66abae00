// Import slots of a module that the real loader mapped (the probe DLL built for these tests), and
// page protection. Wine's system DLLs are checked against objdump natively (tests/tools).

#include "Orvel/Hook/ReplaceIATEntry.h"

#include <new>
#include <gtest/gtest.h>
#include <windows.h>
#include "AllocationCounter.h"
#include "ImageBuilder.h"
#include "PluginHost.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/MemoryProtectionGuard.h"

using namespace Orvel::Hook;

namespace
{
    // Stands in for GetCurrentProcessId.
    void* const Fake = reinterpret_cast<void*>(+[]() -> DWORD { return 4242; });

    DWORD Protection(const void* address)
    {
        MEMORY_BASIC_INFORMATION info{};
        EXPECT_NE(VirtualQuery(address, &info, sizeof info), 0u);
        return info.Protect;
    }
} // namespace

// One history of the probe DLL's GetCurrentProcessId slot: refused replacements, an allocation
// failure at each step, a replacement undone through its backup, and a registry destroyed without
// writing back.
TEST(ReplaceIATEntry, TheProbeModulesSlot)
{
    const HMODULE module = LoadLibraryW((NimbravaTest::ProgramDirectory() + L"nimbrava-import-probe.dll").c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto probe = [module](const char* name) {
        return reinterpret_cast<DWORD (*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
    const auto processId = probe("ProbeProcessId"), tickCount = probe("ProbeTickCount"),
               threadId = probe("ProbeThreadId");
    ASSERT_TRUE(processId && tickCount && threadId);
    void** const slot = FindIATEntry(module, "kernel32", "GetCurrentProcessId").value_or(nullptr);
    ASSERT_NE(slot, nullptr);
    void* const original = *slot;
    const DWORD protection = Protection(slot);
    // Otherwise a guard that never put the protection back would go unnoticed.
    ASSERT_NE(protection, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
    auto& registry = TrackingRegistry::Process();
    const std::size_t registered = registry.Size();
    const auto unchanged = [&](const std::string& after) {
        EXPECT_EQ(*slot, original) << after;
        EXPECT_EQ(Protection(slot), protection) << after;
        EXPECT_EQ(registry.Size(), registered) << after;
    };

    // Names the search does not find: GetCurrentThreadId is imported by ordinal only, so the loader
    // bound it and the search cannot find it. (The header rules run on laid-out images in find.tsv.)
    auto* const page = reinterpret_cast<std::byte*>(reinterpret_cast<std::uintptr_t>(slot) & ~std::uintptr_t{0xFFF});
    const std::vector<std::byte> before(page, page + 0x1000);
    for (const char* function : {"NoSuchFunction", "GetCurrentThreadId"})
        EXPECT_EQ(ReplaceIATEntry(module, "kernel32", function, Fake), nullptr) << function;
    EXPECT_TRUE(std::equal(before.begin(), before.end(), page)) << "a refused replacement wrote into the table";
    EXPECT_EQ(threadId(), GetCurrentThreadId());
    unchanged("refused replacements");

    // An allocation failure at each step in turn leaves everything as it was.
    void* previous = nullptr;
    for (std::size_t allowed = 0; previous == nullptr; ++allowed)
    {
        bool refused = false;
        {
            NimbravaTest::AllocationCounter failure(allowed);
            try
            {
                previous = ReplaceIATEntry(module, "kernel32", "GetCurrentProcessId", Fake);
            }
            catch (const std::bad_alloc&)
            {
            }
            refused = failure.Refused();
        }
        ASSERT_NE(refused, previous != nullptr) << allowed;
        if (refused)
            unchanged("allocation failure " + std::to_string(allowed));
        EXPECT_TRUE(refused || allowed > 0) << "the backup needs memory";
    }
    EXPECT_EQ(previous, original);
    EXPECT_EQ(processId(), 4242u);
    EXPECT_NE(tickCount(), 4242u) << "other slots keep their functions";
    EXPECT_EQ(Protection(slot), protection);
    // The backup left in the registry writes the loader's pointer back.
    registry.RestoreAndRemove(reinterpret_cast<std::uintptr_t>(slot), registered);
    unchanged("restoring the backup");

    {
        TrackingRegistry own;
        EXPECT_EQ(ReplaceIATEntry(own, module, "KERNEL32.DLL", "GetCurrentProcessId", Fake), original);
        EXPECT_EQ(ReplaceIATEntry(own, module, "kernel32", "GetCurrentProcessId", Fake), Fake)
            << "a replacement returns what the slot holds now";
        EXPECT_EQ(own.Size(), 2u);
    }
    EXPECT_EQ(processId(), 4242u) << "destroying the registry writes nothing back";
    EXPECT_EQ(Protection(slot), protection);
    FreeLibrary(module);
}

TEST(MemoryProtectionGuard, PutsTheOldProtectionBackOnceAndNothingIsWrittenWhereItCannot)
{
    // A read-only page, and after it one that is reserved but never committed: no protection can
    // be set there. An image in the first page puts its import address table in the second.
    auto* base = static_cast<std::byte*>(VirtualAlloc(nullptr, 0x2000, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_TRUE(base != nullptr && VirtualAlloc(base, 0x1000, MEM_COMMIT, PAGE_READONLY) != nullptr);
    NimbravaTest::Image image = NimbravaTest::LayOutImage("KERNEL32.dll:CreateFileA");
    image.Patch("u32@nt+0x50=0x2000 u32@d0+16=0x1000");
    {
        MemoryProtectionGuard guard(base, 8);
        ASSERT_TRUE(guard.Engage(PageExecuteReadWrite));
        EXPECT_FALSE(guard.Engage(PAGE_READWRITE)) << "already engaged";
        EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        std::memcpy(base, image.Data(), 0x1000);
        EXPECT_TRUE(guard.Restore());
        EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_READONLY));
        EXPECT_FALSE(guard.Restore()) << "nothing kept any more";
        ASSERT_TRUE(guard.Engage(PAGE_READWRITE));
    }
    EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_READONLY)) << "the end of the guard restores";
    EXPECT_FALSE(MemoryProtectionGuard(nullptr, 8).Engage(PAGE_READWRITE));

    EXPECT_FALSE(MemoryProtectionGuard(base + 0x1000, 8).Engage(PageExecuteReadWrite));
    ASSERT_EQ(FindIATEntry(base, "kernel32", "CreateFileA").value_or(nullptr), reinterpret_cast<void**>(base + 0x1000));
    TrackingRegistry registry;
    EXPECT_EQ(ReplaceIATEntry(registry, base, "kernel32", "CreateFileA", Fake), nullptr);
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}
