#include "Switching/RedirectionHooks.h"

#include "Switching/WeatherlistPath.h"
#include "Switching/WeatherlistSuffix.h"

// Both hooks end in the call they make (a tail call once optimised), so the caller sees that
// function's result and last error untouched. Nothing here allocates, locks, converts or logs: they
// sit on every file ENB opens. `flatten` inlines the suffix test, so that a call passed on keeps its
// arguments where they came in and jumps on without saving registers.

namespace Nimbrava
{
    std::atomic<CreateFileAFunction> SavedCreateFileA{nullptr};
    std::atomic<GetPrivateProfileSectionAFunction> SavedGetPrivateProfileSectionA{nullptr};

    __attribute__((flatten)) HANDLE WINAPI HookedCreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                                                             LPSECURITY_ATTRIBUTES securityAttributes,
                                                             DWORD creationDisposition, DWORD flagsAndAttributes,
                                                             HANDLE templateFile)
    {
        // The wide form opens the chosen file whatever characters its path holds.
        if (fileName != nullptr && HasWeatherlistSuffix(fileName))
            return CreateFileW(CurrentWeatherlistPath::Load().Wide.c_str(), desiredAccess, shareMode,
                               securityAttributes, creationDisposition, flagsAndAttributes, templateFile);
        return SavedCreateFileA.load(std::memory_order_acquire)(fileName, desiredAccess, shareMode, securityAttributes,
                                                                creationDisposition, flagsAndAttributes, templateFile);
    }

    __attribute__((flatten)) DWORD WINAPI HookedGetPrivateProfileSectionA(LPCSTR sectionName, LPSTR returnedString,
                                                                          DWORD size, LPCSTR fileName)
    {
        if (fileName != nullptr && HasWeatherlistSuffix(fileName))
            fileName = CurrentWeatherlistPath::Load().Narrow.c_str();
        return SavedGetPrivateProfileSectionA.load(std::memory_order_acquire)(sectionName, returnedString, size,
                                                                              fileName);
    }
} // namespace Nimbrava
