// Import slots of a module that the real loader mapped (the probe DLL built for these tests), and
// page protection. Wine's system DLLs are checked against objdump natively (tests/tools).

#include "Orvel/Hook/ReplaceIATEntry.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "AllocationCounter.h"
#include "ImageBuilder.h"
#include "ModuleInfo.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/MemoryProtectionGuard.h"
#include "Orvel/Hook/TrackingRegistry.h"

using namespace Orvel::Hook;

namespace
{
    DWORD WINAPI FakeProcessId()
    {
        return 4242;
    }
    void* const Fake = reinterpret_cast<void*>(&FakeProcessId);

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

    // Names the search does not find (GetCurrentThreadId is imported by ordinal only: the loader
    // bound it, the search cannot find it), and corrupt headers of the live image.
    auto* const base = reinterpret_cast<std::byte*>(module);
    const auto nt = static_cast<std::size_t>(reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const std::vector<std::byte> before(
        base, base + reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + nt)->OptionalHeader.SizeOfImage);
    for (const char* function : {"NoSuchFunction", "GetCurrentThreadId"})
        EXPECT_EQ(ReplaceIATEntry(module, "kernel32", function, Fake), nullptr) << function;
    {
        MemoryProtectionGuard headers(base, 0x1000);
        ASSERT_TRUE(headers.Engage(PageExecuteReadWrite));
        for (const auto& [changes, code] : {std::pair{"u16@nt+0x18=0x10B", 1}, // PE32
                                            {"u32@0x3C=0x7FFFFF00", 1},
                                            {"u32@nt+0x50=0x200", 1},
                                            {"u32@nt+0x90=0", 2}})
        {
            NimbravaTest::Patch({base, 0x1000}, {{"nt", nt}}, changes);
            EXPECT_EQ(FindIATEntry(module, "kernel32", "GetCurrentProcessId").error().value(), code) << changes;
            EXPECT_EQ(ReplaceIATEntry(module, "kernel32", "GetCurrentProcessId", Fake), nullptr);
            std::memcpy(base, before.data(), 0x1000);
        }
    }
    EXPECT_TRUE(std::equal(before.begin(), before.end(), base)) << "a refused replacement wrote into the image";
    EXPECT_EQ(threadId(), GetCurrentThreadId());
    unchanged("refused replacements");

    // An allocation failure at each step in turn leaves everything as it was.
    void* previous = nullptr;
    for (std::size_t allowed = 0; previous == nullptr; ++allowed)
    {
        bool refused = false;
        {
            NimbravaTest::AllocationFailure failure(allowed);
            try
            {
                previous = ReplaceIATEntry(module, "kernel32", "GetCurrentProcessId", Fake);
            }
            catch (const std::bad_alloc&)
            {
            }
            refused = failure.Triggered();
        }
        ASSERT_NE(refused, previous != nullptr) << allowed;
        if (refused)
            unchanged("allocation failure " + std::to_string(allowed));
        EXPECT_TRUE(refused || allowed > 0) << "the backup needs memory";
    }
    EXPECT_EQ(previous, original);
    EXPECT_EQ(previous, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetCurrentProcessId")));
    EXPECT_EQ(processId(), 4242u);
    EXPECT_NE(tickCount(), 0u) << "other slots keep their functions";
    EXPECT_EQ(Protection(slot), protection);
    // The backup left in the registry writes the loader's pointer back.
    ASSERT_EQ(registry.Size(), registered + 1);
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
    // An image in a committed page whose import address table lies in the next page, reserved but
    // never committed: no protection can be set there.
    auto* base = static_cast<std::byte*>(VirtualAlloc(nullptr, 0x2000, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(base, nullptr);
    ASSERT_NE(VirtualAlloc(base, 0x1000, MEM_COMMIT, PAGE_READWRITE), nullptr);
    NimbravaTest::Image image = NimbravaTest::ImageBuilder::Layout("KERNEL32.dll:CreateFileA");
    image.Patch("u32@nt+0x50=0x2000 u32@d0+16=0x1000");
    std::memcpy(base, image.Data(), 0x1000);
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(base, 0x1000, PAGE_READONLY, &old));
    {
        MemoryProtectionGuard guard(base, 8);
        ASSERT_TRUE(guard.Engage(PageExecuteReadWrite));
        EXPECT_FALSE(guard.Engage(PAGE_READWRITE)) << "already engaged";
        EXPECT_EQ(guard.GetOldProtection(), static_cast<std::uint32_t>(PAGE_READONLY));
        EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        EXPECT_TRUE(guard.Restore());
        EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_READONLY));
        EXPECT_FALSE(guard.Restore()) << "nothing kept any more";
        ASSERT_TRUE(guard.Engage(PAGE_READWRITE));
    }
    EXPECT_EQ(Protection(base), static_cast<DWORD>(PAGE_READONLY)) << "the end of the guard restores";
    EXPECT_FALSE(MemoryProtectionGuard(nullptr, 8).Engage(PAGE_READWRITE));

    MemoryProtectionGuard uncommitted(base + 0x1000, 8);
    EXPECT_FALSE(uncommitted.Engage(PageExecuteReadWrite));
    EXPECT_EQ(uncommitted.GetOldProtection(), 0u);
    ASSERT_EQ(FindIATEntry(base, "kernel32", "CreateFileA").value_or(nullptr), reinterpret_cast<void**>(base + 0x1000));
    TrackingRegistry registry;
    EXPECT_EQ(ReplaceIATEntry(registry, base, "kernel32", "CreateFileA", Fake), nullptr);
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}
