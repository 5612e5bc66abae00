// Nimbrava.dll as a player installs it: what it depends on, what it says about itself, and that the
// real loader loads and unloads it.

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <gtest/gtest.h>
#include <windows.h>
#include "ModuleInfo.h"

namespace
{
    std::wstring DllPath()
    {
        return NimbravaTest::ProgramDirectory() + L"Nimbrava.dll";
    }

    std::string Lower(std::string text)
    {
        std::transform(text.begin(), text.end(), text.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return text;
    }

    class MappedImage
    {
    public:
        explicit MappedImage(const std::wstring& path)
            : Module(LoadLibraryExW(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES))
        {
        }
        ~MappedImage()
        {
            if (Module != nullptr)
                FreeLibrary(Module);
        }
        MappedImage(const MappedImage&) = delete;
        MappedImage& operator=(const MappedImage&) = delete;
        HMODULE Module;
    };
} // namespace

TEST(NimbravaDll, ImportsOnlyWhatEveryGameInstallationHas)
{
    const MappedImage image(DllPath());
    ASSERT_NE(image.Module, nullptr) << GetLastError();
    const auto imports = NimbravaTest::ImportedDllNames(image.Module);
    ASSERT_FALSE(imports.empty());

    // Windows' own DLLs, and the two modules the plugin exists to talk to.
    const std::set<std::string> allowed = {"kernel32.dll", "msvcrt.dll", "user32.dll",   "advapi32.dll", "ntdll.dll",
                                           "shell32.dll",  "ole32.dll",  "ucrtbase.dll", "yarrin.dll",   "d3d11.dll"};
    for (const auto& name : imports)
    {
        const std::string lower = Lower(name);
        EXPECT_TRUE(allowed.contains(lower) || lower.starts_with("api-ms-win-")) << name;
        EXPECT_EQ(lower.find("libstdc++"), std::string::npos) << name;
        EXPECT_EQ(lower.find("libgcc"), std::string::npos) << name;
        EXPECT_EQ(lower.find("winpthread"), std::string::npos) << name;
    }
}

TEST(NimbravaDll, VersionResourceNamesTheProduct)
{
    const auto version = NimbravaTest::ReadVersionResource(DllPath());
    ASSERT_TRUE(version.has_value());
    const std::uint16_t expected[4] = {1, 0, 2, 0};
    EXPECT_TRUE(std::equal(expected, expected + 4, version->FileVersion));
    EXPECT_TRUE(std::equal(expected, expected + 4, version->ProductVersion));
    EXPECT_EQ(version->Strings.at("FileVersion"), "1.0.2");
    EXPECT_EQ(version->Strings.at("ProductVersion"), "1.0.2");
    EXPECT_EQ(version->Strings.at("ProductName"), "Nimbrava");
    EXPECT_EQ(version->Strings.at("InternalName"), "Nimbrava.dll");
    EXPECT_EQ(version->Strings.at("OriginalFilename"), "Nimbrava.dll");
}

TEST(NimbravaDll, LoadsExportsItsQueryAndUnloads)
{
    HMODULE module = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(module, nullptr) << GetLastError();
    const auto exports = NimbravaTest::ExportedNames(module);
    EXPECT_NE(std::find(exports.begin(), exports.end(), "GetCurrentWeatherlistPath"), exports.end());

    using Query = const wchar_t* (*)(std::size_t*);
    const auto query =
        reinterpret_cast<Query>(reinterpret_cast<void*>(GetProcAddress(module, "GetCurrentWeatherlistPath")));
    ASSERT_NE(query, nullptr);
    // Before any worldspace is known the path is empty; a null length pointer is allowed.
    std::size_t length = 99;
    const wchar_t* path = query(&length);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(length, 0u);
    EXPECT_EQ(path[0], L'\0');
    EXPECT_EQ(query(nullptr), path);

    EXPECT_TRUE(FreeLibrary(module));
}
