// Stands in for ENB's "d3d11.dll": the six functions of the ENB SDK that the plugin imports, with
// answers that tests set, and a configuration reload that reads "enbseries\_weatherlist.ini" the
// way ENB does, through this module's own imports of CreateFileA and GetPrivateProfileSectionA.
//
// The build says which of those imports it has (ENB_DOUBLE_IMPORTS_CREATEFILE,
// ENB_DOUBLE_IMPORTS_PROFILE: 1 or 0); a function not imported is looked up at run time, so that the
// plugin finds no slot to patch.

#include <atomic>
#include <cwchar>
#include <optional>
#include <string>
#include <windows.h>
#include "EnbControl.h"

// The loader's slots for the imported functions (dlltool names them __imp_<name>), and what the
// loader bound there, put back at a restart.
#if ENB_DOUBLE_IMPORTS_CREATEFILE
extern "C" void* __imp_CreateFileA;
void* const BoundCreateFileA = __imp_CreateFileA;
#define ENB_OPEN CreateFileA
#else
#define ENB_OPEN (Kernel32<decltype(&CreateFileA)>("CreateFileA"))
#endif
#if ENB_DOUBLE_IMPORTS_PROFILE
extern "C" void* __imp_GetPrivateProfileSectionA;
void* const BoundGetPrivateProfileSectionA = __imp_GetPrivateProfileSectionA;
#define ENB_READ_SECTION GetPrivateProfileSectionA
#else
#define ENB_READ_SECTION (Kernel32<decltype(&GetPrivateProfileSectionA)>("GetPrivateProfileSectionA"))
#endif

namespace
{
    EnbTestState Enb;
    // A worldspace that ENBGetState answers on one thread only; looked at only once a test gave one,
    // since a thread-local variable costs the benchmarks' callbacks a call in a MinGW DLL.
    thread_local std::optional<std::uint32_t> ThreadWorldspace;
    std::atomic<bool> AnyThreadWorldspace{false};

    // ENB may be called on several threads at once: counted without losing a call.
    void Count(std::uint32_t& counter)
    {
        std::atomic_ref(counter).fetch_add(1, std::memory_order_relaxed);
    }

    template <typename Function>
    Function Kernel32(const char* name)
    {
        return reinterpret_cast<Function>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), name)));
    }

    HANDLE Open(const char* name)
    {
        return ENB_OPEN(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
} // namespace

// The controls keep the C linkage EnbControl.h declares them with.
__declspec(dllexport) void EnbTest_Read(EnbTestRead* read)
{
    *read = EnbTestRead{};
    char folder[MAX_PATH];
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string game(folder, length < MAX_PATH ? length : 0);
    const std::string list = game + "\\enbseries\\_weatherlist.ini";
    const HANDLE local = Open((game + "\\enblocal.ini").c_str());
    if (local == INVALID_HANDLE_VALUE)
        read->LocalOpenError = GetLastError();
    else
        CloseHandle(local);
    const HANDLE file = Open(list.c_str());
    if (file == INVALID_HANDLE_VALUE)
        read->OpenError = GetLastError();
    else
    {
        const DWORD size = GetFinalPathNameByHandleW(file, read->OpenedPath, 1023, FILE_NAME_NORMALIZED);
        if (std::wcsncmp(read->OpenedPath, L"\\\\?\\", 4) == 0)
            std::wmemmove(read->OpenedPath, read->OpenedPath + 4, size - 3);
        CloseHandle(file);
    }
    read->SectionLength = ENB_READ_SECTION("WEATHER001", read->Section, sizeof read->Section, list.c_str());
}

extern "C"
{
    // clang-format off
    __declspec(dllexport) std::uint32_t ENBGetSDKVersion() { return Enb.SdkVersion; }
    __declspec(dllexport) std::uint32_t ENBGetGameIdentifier() { return Enb.Game; }
    __declspec(dllexport) std::int32_t ENBGetVersion() { return static_cast<std::int32_t>(Enb.Version); }
    // clang-format on

    __declspec(dllexport) void ENBSetCallbackFunction(void (*callback)(std::uint32_t))
    {
        Enb.Callback = callback;
        ++Enb.Registrations;
        // As a real ENB may: the callback called from inside its registration.
        if (Enb.CallbackAtRegistration != 0)
            callback(Enb.CallbackAtRegistration);
    }

    __declspec(dllexport) std::uint32_t ENBGetState(std::uint32_t state)
    {
        Count(Enb.StateQueries);
        if (state != 22)
            return 0;
        if (AnyThreadWorldspace.load(std::memory_order_relaxed) && ThreadWorldspace)
            return *ThreadWorldspace;
        return Enb.Worldspace;
    }

    __declspec(dllexport) std::int32_t DirtyHack(std::uint32_t request, std::int64_t parameter)
    {
        Count(Enb.DirtyHackCalls);
        std::atomic_ref(Enb.LastRequest).store(request, std::memory_order_relaxed);
        std::atomic_ref(Enb.LastParameter).store(parameter, std::memory_order_relaxed);
        if (request == 3 && Enb.ReadOnReload)
            EnbTest_Read(&Enb.LastReload);
        return static_cast<std::int32_t>(Enb.DirtyHackResult);
    }
}

__declspec(dllexport) void EnbTest_Restart()
{
    // The slots are read-only; WriteProcessMemory makes them writable for the write.
#if ENB_DOUBLE_IMPORTS_CREATEFILE
    WriteProcessMemory(GetCurrentProcess(), &__imp_CreateFileA, &BoundCreateFileA, sizeof(void*), nullptr);
#endif
#if ENB_DOUBLE_IMPORTS_PROFILE
    WriteProcessMemory(GetCurrentProcess(), &__imp_GetPrivateProfileSectionA, &BoundGetPrivateProfileSectionA,
                       sizeof(void*), nullptr);
#endif
    Enb = EnbTestState{};
}

// clang-format off
__declspec(dllexport) EnbTestState* EnbTest() { return &Enb; }
__declspec(dllexport) void EnbTest_SetThreadWorldspace(std::uint32_t id)
{
    AnyThreadWorldspace = true;
    ThreadWorldspace = id;
}
// clang-format on

__declspec(dllexport) bool EnbTest_FireCallback(std::uint32_t type)
{
    if (Enb.Callback == nullptr)
        return false;
    Enb.Callback(type);
    return true;
}
