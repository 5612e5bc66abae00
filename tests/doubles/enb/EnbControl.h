#pragma once
// The test controls of the stand-in ENB "d3d11.dll": the values its six ENB functions answer, what
// they were asked, and what its configuration reloads read.

#include <cstdint>

// Imported by the programs that use the double, so that an address taken here lies in the double.
#ifdef ENB_DOUBLE_EXPORTS
#define ENB_TEST_API __declspec(dllexport)
#else
#define ENB_TEST_API __declspec(dllimport)
#endif

extern "C"
{
    // What one read of "enbseries\_weatherlist.ini" found, as ENB reads it: opened with CreateFileA
    // and read with ReadFile, then its section "WEATHER001" read with GetPrivateProfileSectionA, both
    // through the double's own import table. Every read opens "enblocal.ini" first, a file of ENB's
    // own that must never be redirected.
    struct EnbTestRead
    {
        std::uint32_t LocalOpenError; // opening "enblocal.ini" of the game folder first: 0 or the error
        std::uint32_t OpenError;      // 0 when CreateFileA returned a handle, else its last error
        wchar_t OpenedPath[1024];     // the file behind that handle (GetFinalPathNameByHandleW); empty when none
        std::uint32_t ContentSize;    // bytes read, at most sizeof Content
        char Content[4096];
        std::uint32_t SectionLength; // GetPrivateProfileSectionA's result
        char Section[4096];
    };

    // A new game: accepted answers (SDK 1002, Skyrim SE, version 503, worldspace 0, reloads succeed),
    // no callback, the double's import slots back to what the loader bound, nothing recorded.
    ENB_TEST_API void EnbTest_Restart();
    ENB_TEST_API void EnbTest_SetSdkVersion(std::uint32_t version);
    ENB_TEST_API void EnbTest_SetGameIdentifier(std::uint32_t game);
    ENB_TEST_API void EnbTest_SetVersion(std::int32_t version);
    ENB_TEST_API void EnbTest_SetWorldspace(std::uint32_t id); // what ENBGetState(22) answers
    ENB_TEST_API void EnbTest_SetDirtyHackResult(std::int32_t result);
    ENB_TEST_API void EnbTest_SetReadOnReload(bool read); // whether a reload request reads (default)

    ENB_TEST_API void* EnbTest_Callback(); // the last callback registered
    ENB_TEST_API std::uint32_t EnbTest_CallbackRegistrations();
    ENB_TEST_API bool EnbTest_FireCallback(std::uint32_t type); // false when none is registered
    ENB_TEST_API std::uint32_t EnbTest_StateQueries();          // ENBGetState calls
    ENB_TEST_API std::uint32_t EnbTest_DirtyHackCalls();        // DirtyHack calls; each request 3 reloads
    ENB_TEST_API std::uint32_t EnbTest_LastRequest();
    ENB_TEST_API std::int64_t EnbTest_LastParameter();
    // What the last reload read; false when there was none since the restart.
    ENB_TEST_API bool EnbTest_LastReload(EnbTestRead* read);
    // Reads the weather list now, on the calling thread, as a reload does. Any thread.
    ENB_TEST_API void EnbTest_Read(EnbTestRead* read);
}
