#pragma once
// The test controls of the stand-in ENB "d3d11.dll": the values its six ENB functions answer, what
// they were asked, and what its configuration reloads read.

#include <cstdint>

extern "C"
{
    // What one read of "enbseries\_weatherlist.ini" found, as ENB reads it: opened with CreateFileA,
    // then its section "WEATHER001" read with GetPrivateProfileSectionA, both
    // through the double's own import table. Every read opens "enblocal.ini" first, a file of ENB's
    // own that must never be redirected.
    struct EnbTestRead
    {
        std::uint32_t LocalOpenError; // opening "enblocal.ini" of the game folder first: 0 or the error
        std::uint32_t OpenError;      // 0 when CreateFileA returned a handle, else its last error
        wchar_t OpenedPath[1024];     // the file behind that handle (GetFinalPathNameByHandleW, without "\\?\")
        std::uint32_t SectionLength;  // GetPrivateProfileSectionA's result
        char Section[4096];
    };

    // The answers of the six ENB functions and what they were asked, for the thread that drives the
    // game (the plugin's callback runs on it). The counters count calls on any thread.
    struct EnbTestState
    {
        std::uint32_t SdkVersion = 1002, Game = 0x10000006, Worldspace = 0; // Worldspace: ENBGetState(22)
        std::uint32_t Version = 503, DirtyHackResult = 1;                   // both read as signed
        bool ReadOnReload = true; // whether a reload request reads the weather list
        // A callback type that the registration calls the new callback with at once (0: none).
        std::uint32_t CallbackAtRegistration = 0;
        void (*Callback)(std::uint32_t) = nullptr;
        std::uint32_t Registrations = 0, StateQueries = 0, DirtyHackCalls = 0, LastRequest = 0;
        std::int64_t LastParameter = 0;
        EnbTestRead LastReload{}; // what the last reload read
    };

    EnbTestState* EnbTest();
    // A new game: the state as above, the double's import slots back to what the loader bound.
    void EnbTest_Restart();
    // Calls the registered callback with `type`; false when none is registered.
    bool EnbTest_FireCallback(std::uint32_t type);
    // Reads the weather list now, on the calling thread, as a reload does. Any thread.
    void EnbTest_Read(EnbTestRead* read);
    // ENBGetState(22) on the calling thread answers `id` from now on, whatever Worldspace says.
    void EnbTest_SetThreadWorldspace(std::uint32_t id);
}
