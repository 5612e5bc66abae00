// Stands in for ENB's "d3d11.dll": the six functions of the ENB SDK that the plugin imports, with
// answers that tests set, and a configuration reload that reads "enbseries\_weatherlist.ini" the
// way ENB does, through this module's own imports of CreateFileA and GetPrivateProfileSectionA.
//
// Built three more times without one or both of those imports (ENB_DOUBLE_IMPORTS_CREATEFILE,
// ENB_DOUBLE_IMPORTS_PROFILE = 0): the functions are then looked up at run time instead, so that the
// plugin finds no slot to patch.

#include <atomic>
#include <cstring>
#include <windows.h>
#include "EnbControl.h"

#ifndef ENB_DOUBLE_IMPORTS_CREATEFILE
#define ENB_DOUBLE_IMPORTS_CREATEFILE 1
#endif
#ifndef ENB_DOUBLE_IMPORTS_PROFILE
#define ENB_DOUBLE_IMPORTS_PROFILE 1
#endif

using Callback = void (*)(std::uint32_t);

// The loader's slots for the imported functions (dlltool names them __imp_<name>).
#if ENB_DOUBLE_IMPORTS_CREATEFILE
extern "C" void* __imp_CreateFileA;
#endif
#if ENB_DOUBLE_IMPORTS_PROFILE
extern "C" void* __imp_GetPrivateProfileSectionA;
#endif

namespace
{
    struct Settings
    {
        std::atomic<std::uint32_t> SdkVersion{1002};
        std::atomic<std::uint32_t> Game{0x10000006};
        std::atomic<std::int32_t> Version{503};
        std::atomic<std::uint32_t> Worldspace{0};
        std::atomic<std::int32_t> DirtyHackResult{1};
        std::atomic<bool> ReadOnReload{true};
        std::atomic<Callback> RegisteredCallback{nullptr};
        std::atomic<std::uint32_t> Registrations{0};
        std::atomic<std::uint32_t> StateQueries{0};
        std::atomic<std::uint32_t> DirtyHackCalls{0};
        std::atomic<std::uint32_t> LastRequest{0};
        std::atomic<std::int64_t> LastParameter{0};
    };
    Settings State;

    SRWLOCK ReloadLock = SRWLOCK_INIT;
    bool HaveReload = false;
    EnbTestRead LastReload;

#if ENB_DOUBLE_IMPORTS_CREATEFILE
    void* const BoundCreateFileA = __imp_CreateFileA;
    HANDLE OpenA(LPCSTR name)
    {
        return CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
#else
    HANDLE OpenA(LPCSTR name)
    {
        static const auto open = reinterpret_cast<decltype(&CreateFileA)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateFileA")));
        return open(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
#endif

#if ENB_DOUBLE_IMPORTS_PROFILE
    void* const BoundGetPrivateProfileSectionA = __imp_GetPrivateProfileSectionA;
    DWORD ReadSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR name)
    {
        return GetPrivateProfileSectionA(section, buffer, size, name);
    }
#else
    DWORD ReadSectionA(LPCSTR section, LPSTR buffer, DWORD size, LPCSTR name)
    {
        static const auto read = reinterpret_cast<decltype(&GetPrivateProfileSectionA)>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetPrivateProfileSectionA")));
        return read(section, buffer, size, name);
    }
#endif

    [[maybe_unused]] void PutBack(void** slot, void* value)
    {
        DWORD old = 0;
        if (VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &old))
        {
            *slot = value;
            VirtualProtect(slot, sizeof *slot, old, &old);
        }
    }

    void Read(EnbTestRead& read)
    {
        std::memset(&read, 0, sizeof read);
        char name[MAX_PATH + 64];
        const DWORD length = GetCurrentDirectoryA(MAX_PATH, name);
        char* const end = name + (length < MAX_PATH ? length : 0);

        std::strcpy(end, "\\enblocal.ini");
        const HANDLE local = OpenA(name);
        if (local == INVALID_HANDLE_VALUE)
            read.LocalOpenError = GetLastError();
        else
            CloseHandle(local);

        std::strcpy(end, "\\enbseries\\_weatherlist.ini");
        const HANDLE file = OpenA(name);
        if (file == INVALID_HANDLE_VALUE)
            read.OpenError = GetLastError();
        else
        {
            GetFinalPathNameByHandleW(file, read.OpenedPath, static_cast<DWORD>(std::size(read.OpenedPath) - 1),
                                      FILE_NAME_NORMALIZED);
            DWORD got = 0;
            if (ReadFile(file, read.Content, sizeof read.Content, &got, nullptr))
                read.ContentSize = got;
            CloseHandle(file);
        }
        read.SectionLength = ReadSectionA(EnbTestSection, read.Section, sizeof read.Section, name);
    }
} // namespace

extern "C"
{
    __declspec(dllexport) std::uint32_t ENBGetSDKVersion()
    {
        return State.SdkVersion;
    }

    __declspec(dllexport) std::uint32_t ENBGetGameIdentifier()
    {
        return State.Game;
    }

    __declspec(dllexport) std::int32_t ENBGetVersion()
    {
        return State.Version;
    }

    __declspec(dllexport) void ENBSetCallbackFunction(Callback callback)
    {
        State.RegisteredCallback = callback;
        ++State.Registrations;
    }

    __declspec(dllexport) std::uint32_t ENBGetState(std::uint32_t state)
    {
        State.StateQueries.fetch_add(1, std::memory_order_relaxed);
        return state == 22 ? State.Worldspace.load(std::memory_order_relaxed) : 0;
    }

    __declspec(dllexport) std::int32_t DirtyHack(std::uint32_t request, std::int64_t parameter)
    {
        ++State.DirtyHackCalls;
        State.LastRequest = request;
        State.LastParameter = parameter;
        if (request == 3 && State.ReadOnReload)
        {
            EnbTestRead read;
            Read(read);
            AcquireSRWLockExclusive(&ReloadLock);
            LastReload = read;
            HaveReload = true;
            ReleaseSRWLockExclusive(&ReloadLock);
        }
        return State.DirtyHackResult;
    }

    ENB_TEST_API void EnbTest_Restart()
    {
#if ENB_DOUBLE_IMPORTS_CREATEFILE
        PutBack(&__imp_CreateFileA, BoundCreateFileA);
#endif
#if ENB_DOUBLE_IMPORTS_PROFILE
        PutBack(&__imp_GetPrivateProfileSectionA, BoundGetPrivateProfileSectionA);
#endif
        State.SdkVersion = 1002;
        State.Game = 0x10000006;
        State.Version = 503;
        State.Worldspace = 0;
        State.DirtyHackResult = 1;
        State.ReadOnReload = true;
        State.RegisteredCallback = nullptr;
        State.Registrations = 0;
        State.StateQueries = 0;
        State.DirtyHackCalls = 0;
        State.LastRequest = 0;
        State.LastParameter = 0;
        AcquireSRWLockExclusive(&ReloadLock);
        HaveReload = false;
        ReleaseSRWLockExclusive(&ReloadLock);
    }

    // clang-format off
    ENB_TEST_API void EnbTest_SetSdkVersion(std::uint32_t version) { State.SdkVersion = version; }
    ENB_TEST_API void EnbTest_SetGameIdentifier(std::uint32_t game) { State.Game = game; }
    ENB_TEST_API void EnbTest_SetVersion(std::int32_t version) { State.Version = version; }
    ENB_TEST_API void EnbTest_SetWorldspace(std::uint32_t id) { State.Worldspace = id; }
    ENB_TEST_API void EnbTest_SetDirtyHackResult(std::int32_t result) { State.DirtyHackResult = result; }
    ENB_TEST_API void EnbTest_SetReadOnReload(bool read) { State.ReadOnReload = read; }
    ENB_TEST_API void* EnbTest_Callback() { return reinterpret_cast<void*>(State.RegisteredCallback.load()); }
    ENB_TEST_API std::uint32_t EnbTest_CallbackRegistrations() { return State.Registrations; }
    ENB_TEST_API std::uint32_t EnbTest_StateQueries() { return State.StateQueries; }
    ENB_TEST_API std::uint32_t EnbTest_DirtyHackCalls() { return State.DirtyHackCalls; }
    ENB_TEST_API std::uint32_t EnbTest_LastRequest() { return State.LastRequest; }
    ENB_TEST_API std::int64_t EnbTest_LastParameter() { return State.LastParameter; }
    ENB_TEST_API void EnbTest_Read(EnbTestRead* read) { Read(*read); }
    // clang-format on

    ENB_TEST_API bool EnbTest_FireCallback(std::uint32_t type)
    {
        const Callback callback = State.RegisteredCallback;
        if (callback == nullptr)
            return false;
        callback(type);
        return true;
    }

    ENB_TEST_API bool EnbTest_LastReload(EnbTestRead* read)
    {
        AcquireSRWLockShared(&ReloadLock);
        const bool have = HaveReload;
        if (have)
            *read = LastReload;
        ReleaseSRWLockShared(&ReloadLock);
        return have;
    }
}
