// Stands in for the game's plugin host: loads Nimbrava.dll with the real loader and reports what it
// found in it.
//
//   nimbrava-host [--dll PATH]

#include <cstdio>
#include <string>
#include <windows.h>
#include "ModuleInfo.h"

namespace
{
    using GetCurrentWeatherlistPathFn = const wchar_t* (*)(std::size_t*);

    int Fail(const char* what)
    {
        std::printf("host: %s (error %lu)\n", what, GetLastError());
        return 1;
    }
} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::wstring dll = NimbravaTest::ProgramDirectory() + L"Nimbrava.dll";
    for (int i = 1; i + 1 < argc; ++i)
        if (std::wstring(argv[i]) == L"--dll")
            dll = argv[++i];

    HMODULE module = LoadLibraryW(dll.c_str());
    if (module == nullptr)
        return Fail("LoadLibraryW(Nimbrava.dll) failed");
    std::printf("Loaded %ls at %p\n", dll.c_str(), static_cast<void*>(module));

    const auto version = NimbravaTest::ReadVersionResource(dll);
    if (!version)
        return Fail("no version resource");
    std::printf("Version resource:\n  file version    %u.%u.%u.%u\n  product version %u.%u.%u.%u\n",
                version->FileVersion[0], version->FileVersion[1], version->FileVersion[2], version->FileVersion[3],
                version->ProductVersion[0], version->ProductVersion[1], version->ProductVersion[2],
                version->ProductVersion[3]);
    for (const auto& [key, value] : version->Strings)
        std::printf("  %-16s %s\n", key.c_str(), value.c_str());

    const auto exports = NimbravaTest::ExportedNames(module);
    std::printf("Exports (%zu):\n", exports.size());
    for (const auto& name : exports)
        std::printf("  %s\n", name.c_str());

    const auto query = reinterpret_cast<GetCurrentWeatherlistPathFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "GetCurrentWeatherlistPath")));
    if (query == nullptr)
        return Fail("GetCurrentWeatherlistPath is not exported");
    std::size_t length = 0;
    const wchar_t* path = query(&length);
    std::printf("GetCurrentWeatherlistPath() -> \"%ls\" (length %zu)\n", path, length);

    if (!FreeLibrary(module))
        return Fail("FreeLibrary failed");
    std::printf("Unloaded.\n");
    return 0;
}
