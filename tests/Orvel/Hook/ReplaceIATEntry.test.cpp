// Import slots of modules that the real loader mapped: the probe DLL built for these tests, and
// Wine's own system DLLs checked against objdump's reading of their files.

#include "Orvel/Hook/ReplaceIATEntry.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <new>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>
#include <gtest/gtest.h>
#include <windows.h>
#include "AllocationCounter.h"
#include "ImageBuilder.h"
#include "ModuleInfo.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/MemoryProtectionGuard.h"
#include "Orvel/Hook/TrackedMemoryBackup.h"
#include "Orvel/Hook/TrackingScope.h"

using Orvel::Hook::FindIATEntry;
using Orvel::Hook::IATSearchErrorCode;
using Orvel::Hook::MemoryProtectionGuard;
using Orvel::Hook::PageExecuteReadWrite;
using Orvel::Hook::ReplaceIATEntry;
using Orvel::Hook::TrackedMemoryBackup;
using Orvel::Hook::TrackingRegistry;
using Orvel::Hook::TrackingScope;

namespace
{
    using ProbeFunction = DWORD (*)();

    DWORD WINAPI FakeProcessId()
    {
        return 4242;
    }

    void* AsPointer(DWORD (*function)()) noexcept
    {
        return reinterpret_cast<void*>(function);
    }

    DWORD Protection(const void* address)
    {
        MEMORY_BASIC_INFORMATION info{};
        EXPECT_NE(VirtualQuery(address, &info, sizeof info), 0u);
        return info.Protect;
    }

    std::uint32_t SizeOfImage(HMODULE module)
    {
        const auto* base = reinterpret_cast<const std::byte*>(module);
        const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
            base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
        return nt->OptionalHeader.SizeOfImage;
    }

    // Overwrites one value of a live image while it lives, under a temporarily writable protection.
    template <typename T>
    class ImageCorruption
    {
    public:
        ImageCorruption(HMODULE module, std::size_t offset, T value)
            : m_address(reinterpret_cast<std::byte*>(module) + offset)
        {
            std::memcpy(&m_saved, m_address, sizeof(T));
            Write(value);
        }
        ~ImageCorruption() { Write(m_saved); }
        ImageCorruption(const ImageCorruption&) = delete;
        ImageCorruption& operator=(const ImageCorruption&) = delete;

    private:
        void Write(T value)
        {
            MemoryProtectionGuard guard(m_address, sizeof(T));
            ASSERT_TRUE(guard.Engage(PageExecuteReadWrite));
            std::memcpy(m_address, &value, sizeof(T));
        }
        std::byte* m_address;
        T m_saved;
    };

    // The probe DLL, loaded afresh for each test so that every test starts from the loader's slots.
    class ImportProbe : public ::testing::Test
    {
    protected:
        void SetUp() override
        {
            Module = LoadLibraryW((NimbravaTest::ProgramDirectory() + L"nimbrava-import-probe.dll").c_str());
            ASSERT_NE(Module, nullptr) << GetLastError();
            ProcessId = Export("ProbeProcessId");
            TickCount = Export("ProbeTickCount");
            ThreadId = Export("ProbeThreadId");
            Slot = FindIATEntry(Module, "kernel32", "GetCurrentProcessId").value_or(nullptr);
            ASSERT_NE(Slot, nullptr);
            Original = *Slot;
            ProtectionBefore = Protection(Slot);
            // Otherwise a guard that never put the protection back would go unnoticed.
            ASSERT_NE(ProtectionBefore, static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        }
        void TearDown() override
        {
            if (Module != nullptr)
                FreeLibrary(Module);
        }

        ProbeFunction Export(const char* name)
        {
            const auto function =
                reinterpret_cast<ProbeFunction>(reinterpret_cast<void*>(GetProcAddress(Module, name)));
            EXPECT_NE(function, nullptr) << name;
            return function;
        }

        std::vector<std::byte> Snapshot() const
        {
            const auto* base = reinterpret_cast<const std::byte*>(Module);
            return {base, base + SizeOfImage(Module)};
        }

        HMODULE Module = nullptr;
        ProbeFunction ProcessId = nullptr;
        ProbeFunction TickCount = nullptr;
        ProbeFunction ThreadId = nullptr;
        void** Slot = nullptr;
        void* Original = nullptr;
        DWORD ProtectionBefore = 0;
    };
} // namespace

TEST_F(ImportProbe, ReplacingASlotRedirectsTheModulesCalls)
{
    ASSERT_EQ(ProcessId(), GetCurrentProcessId());
    auto& registry = TrackingRegistry::Process();
    const std::size_t registered = registry.Size();

    void* const previous = ReplaceIATEntry(Module, "kernel32", "GetCurrentProcessId", AsPointer(FakeProcessId));
    EXPECT_EQ(previous, Original);
    EXPECT_EQ(previous, reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "GetCurrentProcessId")));
    EXPECT_EQ(*Slot, AsPointer(FakeProcessId));
    EXPECT_EQ(ProcessId(), 4242u);
    EXPECT_NE(TickCount(), 0u) << "other slots keep their functions";
    EXPECT_EQ(Protection(Slot), ProtectionBefore);

    ASSERT_EQ(registry.Size(), registered + 1);
    const auto* backup = dynamic_cast<const TrackedMemoryBackup*>(&registry[registered]);
    ASSERT_NE(backup, nullptr);
    EXPECT_FALSE(backup->IsRestored());
    EXPECT_EQ(backup->GetKey(), reinterpret_cast<std::uintptr_t>(Slot));
    EXPECT_EQ(backup->GetAddress(), static_cast<void*>(Slot));
    ASSERT_EQ(backup->GetBackup().size(), 8u);
    void* saved = nullptr;
    std::memcpy(&saved, backup->GetBackup().data(), 8);
    EXPECT_EQ(saved, Original);

    // Replacing again returns what the slot holds now: the first replacement.
    EXPECT_EQ(ReplaceIATEntry(Module, "KERNEL32.DLL", "GetCurrentProcessId", Original), AsPointer(FakeProcessId));
    EXPECT_EQ(ProcessId(), GetCurrentProcessId());
    EXPECT_EQ(registry.Size(), registered + 2);
}

TEST_F(ImportProbe, DestroyingTheRegistryWritesNothingBack)
{
    {
        TrackingRegistry registry;
        ASSERT_EQ(ReplaceIATEntry(registry, Module, "kernel32", "GetCurrentProcessId", AsPointer(FakeProcessId)),
                  Original);
        EXPECT_EQ(registry.Size(), 1u);
    }
    EXPECT_EQ(*Slot, AsPointer(FakeProcessId));
    EXPECT_EQ(ProcessId(), 4242u);
}

TEST_F(ImportProbe, NameRulesOnALoadedModule)
{
    for (const char* name : {"kernel32", "KERNEL32.DLL", "Kernel32.Dll"})
        EXPECT_EQ(FindIATEntry(Module, name, "GetCurrentProcessId").value_or(nullptr), Slot) << name;
    for (const char* name : {"kernel", "kernel32.dl"})
        EXPECT_EQ(FindIATEntry(Module, name, "GetCurrentProcessId").error(), IATSearchErrorCode::DllNameNotFound)
            << name;
    EXPECT_EQ(FindIATEntry(Module, "kernel32", "getcurrentprocessid").error(), IATSearchErrorCode::SymbolNameNotFound);

    // GetCurrentThreadId is imported by ordinal only: the loader bound it, the search cannot find it.
    EXPECT_EQ(ThreadId(), GetCurrentThreadId());
    EXPECT_EQ(FindIATEntry(Module, "kernel32", "GetCurrentThreadId").error(), IATSearchErrorCode::SymbolNameNotFound);
    EXPECT_EQ(ReplaceIATEntry(Module, "kernel32", "GetCurrentThreadId", AsPointer(FakeProcessId)), nullptr);
    EXPECT_EQ(ThreadId(), GetCurrentThreadId());
}

TEST_F(ImportProbe, AFailedReplacementChangesNothing)
{
    const auto before = Snapshot();
    auto& registry = TrackingRegistry::Process();
    const std::size_t registered = registry.Size();
    EXPECT_EQ(ReplaceIATEntry(Module, "kernel32", "NoSuchFunction", AsPointer(FakeProcessId)), nullptr);
    EXPECT_EQ(ReplaceIATEntry(Module, "user32", "GetCurrentProcessId", AsPointer(FakeProcessId)), nullptr);
    EXPECT_EQ(ReplaceIATEntry(Module, "kernel32.dl", "GetCurrentProcessId", AsPointer(FakeProcessId)), nullptr);
    EXPECT_TRUE(Snapshot() == before);
    EXPECT_EQ(Protection(Slot), ProtectionBefore);
    EXPECT_EQ(registry.Size(), registered);
}

TEST_F(ImportProbe, AnAllocationFailureLeavesTheSlotAsItWas)
{
    auto& registry = TrackingRegistry::Process();
    for (std::size_t allowed = 0;; ++allowed)
    {
        const std::size_t registered = registry.Size();
        NimbravaTest::AllocationFailure failure(allowed);
        void* previous = nullptr;
        try
        {
            previous = ReplaceIATEntry(Module, "kernel32", "GetCurrentProcessId", AsPointer(FakeProcessId));
        }
        catch (const std::bad_alloc&)
        {
            EXPECT_TRUE(failure.Triggered());
            EXPECT_EQ(*Slot, Original) << allowed;
            EXPECT_EQ(Protection(Slot), ProtectionBefore) << allowed;
            EXPECT_EQ(registry.Size(), registered) << allowed;
            continue;
        }
        EXPECT_FALSE(failure.Triggered());
        EXPECT_GE(allowed, 1u) << "the backup needs memory";
        EXPECT_EQ(previous, Original);
        EXPECT_EQ(*Slot, AsPointer(FakeProcessId));
        break;
    }
}

TEST_F(ImportProbe, AnExceptionInsideTrackingRestoresTheSlot)
{
    TrackingRegistry registry;
    try
    {
        TrackingScope scope(reinterpret_cast<std::uintptr_t>(Slot), registry);
        scope.Track(Slot);
        MemoryProtectionGuard guard(Slot, sizeof *Slot);
        ASSERT_TRUE(guard.Engage(PageExecuteReadWrite));
        *Slot = AsPointer(FakeProcessId);
        EXPECT_TRUE(guard.Restore());
        ASSERT_EQ(ProcessId(), 4242u);
        throw std::runtime_error("cut short");
    }
    catch (const std::runtime_error&)
    {
    }
    EXPECT_EQ(*Slot, Original);
    EXPECT_EQ(ProcessId(), GetCurrentProcessId());
    EXPECT_EQ(Protection(Slot), ProtectionBefore);
    EXPECT_EQ(registry.Size(), 0u);
}

TEST_F(ImportProbe, CorruptHeadersOfALiveImageAreRejectedWithoutFaults)
{
    const auto nt = static_cast<std::size_t>(reinterpret_cast<const IMAGE_DOS_HEADER*>(Module)->e_lfanew);
    const auto code = [this] { return FindIATEntry(Module, "kernel32", "GetCurrentProcessId").error(); };
    {
        ImageCorruption<std::uint16_t> pe32(Module, nt + 0x18, 0x10B);
        EXPECT_EQ(code(), IATSearchErrorCode::UnexpectedImageHeader);
        EXPECT_EQ(ReplaceIATEntry(Module, "kernel32", "GetCurrentProcessId", AsPointer(FakeProcessId)), nullptr);
    }
    {
        ImageCorruption<std::int32_t> farAway(Module, 0x3C, 0x7FFFFF00);
        EXPECT_EQ(code(), IATSearchErrorCode::UnexpectedImageHeader);
    }
    {
        ImageCorruption<std::uint32_t> small(Module, nt + 0x50, 0x200);
        EXPECT_EQ(code(), IATSearchErrorCode::UnexpectedImageHeader);
    }
    {
        ImageCorruption<std::uint32_t> noImports(Module, nt + 0x90, 0);
        EXPECT_EQ(code(), IATSearchErrorCode::DllNameNotFound);
    }
    EXPECT_EQ(FindIATEntry(Module, "kernel32", "GetCurrentProcessId").value_or(nullptr), Slot);
    EXPECT_EQ(*Slot, Original);
}

TEST(ReplaceIATEntry, NothingIsWrittenWhereTheSlotCannotBeMadeWritable)
{
    // An image whose import address table lies in a reserved page that was never committed.
    auto* base = static_cast<std::byte*>(VirtualAlloc(nullptr, 0x2000, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(base, nullptr);
    ASSERT_NE(VirtualAlloc(base, 0x1000, MEM_COMMIT, PAGE_READWRITE), nullptr);
    NimbravaTest::Image image = NimbravaTest::ImageBuilder().Import("KERNEL32.dll", {{"CreateFileA", 0}}).Build();
    ASSERT_LE(image.Size(), 0x1000u);
    image.Poke<std::uint32_t>(NimbravaTest::Image::NtOffset + 0x50, 0x2000);
    image.Poke<std::uint32_t>(image.DescriptorOffset(0) + 16, 0x1000);
    std::memcpy(base, image.Data(), image.Size());

    ASSERT_EQ(FindIATEntry(base, "kernel32", "CreateFileA").value_or(nullptr), reinterpret_cast<void**>(base + 0x1000));
    MemoryProtectionGuard guard(base + 0x1000, 8);
    EXPECT_FALSE(guard.Engage(PageExecuteReadWrite));
    EXPECT_EQ(guard.GetOldProtection(), 0u);

    TrackingRegistry registry;
    EXPECT_EQ(ReplaceIATEntry(registry, base, "kernel32", "CreateFileA", AsPointer(FakeProcessId)), nullptr);
    EXPECT_EQ(registry.Size(), 0u);
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
}

TEST(MemoryProtectionGuard, PutsTheOldProtectionBackOnce)
{
    auto* page = VirtualAlloc(nullptr, 0x1000, MEM_COMMIT | MEM_RESERVE, PAGE_READONLY);
    ASSERT_NE(page, nullptr);
    {
        MemoryProtectionGuard guard(page, 8);
        ASSERT_TRUE(guard.Engage(PageExecuteReadWrite));
        EXPECT_FALSE(guard.Engage(PAGE_READWRITE)) << "already engaged";
        EXPECT_EQ(guard.GetOldProtection(), static_cast<std::uint32_t>(PAGE_READONLY));
        EXPECT_EQ(Protection(page), static_cast<DWORD>(PAGE_EXECUTE_READWRITE));
        EXPECT_TRUE(guard.Restore());
        EXPECT_EQ(Protection(page), static_cast<DWORD>(PAGE_READONLY));
        EXPECT_FALSE(guard.Restore()) << "nothing kept any more";
        ASSERT_TRUE(guard.Engage(PAGE_READWRITE));
    }
    EXPECT_EQ(Protection(page), static_cast<DWORD>(PAGE_READONLY)) << "the end of the guard restores";
    MemoryProtectionGuard null(nullptr, 8);
    EXPECT_FALSE(null.Engage(PAGE_READWRITE));
    EXPECT_TRUE(VirtualFree(page, 0, MEM_RELEASE));
}

// Every named import of a few dozen of Wine's system DLLs, as objdump reads their files: the search
// must find exactly the slot that the name table's index gives, and nothing where the rules say so.
TEST(SystemDlls, EverySlotIsTheOneTheNameTableGives)
{
    std::ifstream oracle(NIMBRAVA_IAT_ORACLE);
    ASSERT_TRUE(oracle) << NIMBRAVA_IAT_ORACLE;
    wchar_t directory[MAX_PATH];
    ASSERT_NE(GetSystemDirectoryW(directory, MAX_PATH), 0u);

    std::size_t files = 0, slots = 0, misses = 0;
    HMODULE module = nullptr;
    std::string line;
    const auto release = [&] {
        if (module != nullptr)
            FreeLibrary(module);
        module = nullptr;
    };
    while (std::getline(oracle, line))
    {
        std::istringstream fields(line);
        std::string kind, file, dll, function;
        fields >> kind >> file;
        if (kind == "file")
        {
            release();
            unsigned long long size = 0;
            fields >> size;
            const std::wstring path = std::wstring(directory) + L"\\" + std::wstring(file.begin(), file.end());
            WIN32_FILE_ATTRIBUTE_DATA attributes{};
            ASSERT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes)) << file;
            ASSERT_EQ(attributes.nFileSizeLow, size) << file << ": not the file that objdump read";
            module = LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
            ASSERT_NE(module, nullptr) << file << " " << GetLastError();
            ++files;
            continue;
        }
        fields >> dll >> function;
        const auto result = FindIATEntry(module, dll, function);
        if (kind == "slot")
        {
            std::string rva;
            fields >> rva;
            const auto expected = std::stoull(rva, nullptr, 16);
            ASSERT_TRUE(result) << file << " " << dll << "!" << function << ": " << result.error().message();
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(*result) - reinterpret_cast<std::uintptr_t>(module), expected)
                << file << " " << dll << "!" << function;
            ++slots;
        }
        else
        {
            EXPECT_EQ(result.error(), IATSearchErrorCode::SymbolNameNotFound) << file << " " << dll << "!" << function;
            ++misses;
        }
    }
    release();
    EXPECT_GE(files, 40u);
    EXPECT_GE(slots, 2000u);
    std::printf("[          ] %zu system DLLs, %zu slots found, %zu names rightly not found\n", files, slots, misses);
}
