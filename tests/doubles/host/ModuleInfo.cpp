#include "ModuleInfo.h"

namespace NimbravaTest
{
    namespace
    {
        std::string Narrow(const wchar_t* text, std::size_t length)
        {
            std::string out;
            for (std::size_t i = 0; i < length && text[i] != L'\0'; ++i)
                out += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
            return out;
        }
    } // namespace

    std::optional<VersionResource> ReadVersionResource(const std::wstring& path)
    {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0)
            return std::nullopt;
        std::vector<unsigned char> data(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data()))
            return std::nullopt;

        VersionResource result;
        void* block = nullptr;
        UINT length = 0;
        if (VerQueryValueW(data.data(), L"\\", &block, &length) && length >= sizeof(VS_FIXEDFILEINFO))
        {
            const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block);
            const DWORD words[4] = {fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS,
                                    fixed->dwProductVersionLS};
            result.FileVersion[0] = HIWORD(words[0]);
            result.FileVersion[1] = LOWORD(words[0]);
            result.FileVersion[2] = HIWORD(words[1]);
            result.FileVersion[3] = LOWORD(words[1]);
            result.ProductVersion[0] = HIWORD(words[2]);
            result.ProductVersion[1] = LOWORD(words[2]);
            result.ProductVersion[2] = HIWORD(words[3]);
            result.ProductVersion[3] = LOWORD(words[3]);
        }

        struct Translation
        {
            WORD Language;
            WORD CodePage;
        };
        if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &block, &length) ||
            length < sizeof(Translation))
            return result;
        const auto* translation = static_cast<const Translation*>(block);
        for (const char* name : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "OriginalFilename",
                                 "ProductName", "ProductVersion"})
        {
            wchar_t query[128];
            swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%hs", translation->Language, translation->CodePage,
                     name);
            if (VerQueryValueW(data.data(), query, &block, &length) && length > 0)
                result.Strings[name] = Narrow(static_cast<const wchar_t*>(block), length);
        }
        return result;
    }

    namespace
    {
        // The start of one data directory of a module the loader mapped, or null.
        const unsigned char* Directory(HMODULE module, int index)
        {
            const auto* base = reinterpret_cast<const unsigned char*>(module);
            const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
            const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
            const auto& entry = nt->OptionalHeader.DataDirectory[index];
            return entry.VirtualAddress != 0 ? base + entry.VirtualAddress : nullptr;
        }
    } // namespace

    std::vector<std::string> ImportedDllNames(HMODULE module)
    {
        std::vector<std::string> names;
        const auto* base = reinterpret_cast<const unsigned char*>(module);
        const auto* first = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
        if (first == nullptr)
            return names;
        for (const auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(first); d->Name != 0; ++d)
            names.emplace_back(reinterpret_cast<const char*>(base + d->Name));
        return names;
    }

    std::vector<std::string> ExportedNames(HMODULE module)
    {
        std::vector<std::string> names;
        const auto* base = reinterpret_cast<const unsigned char*>(module);
        const auto* exports = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
        if (exports == nullptr)
            return names;
        const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(exports);
        const auto* nameRvas = reinterpret_cast<const DWORD*>(base + directory->AddressOfNames);
        for (DWORD i = 0; i < directory->NumberOfNames; ++i)
            names.emplace_back(reinterpret_cast<const char*>(base + nameRvas[i]));
        return names;
    }

    std::wstring ProgramDirectory()
    {
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring directory(path, length);
        return directory.substr(0, directory.find_last_of(L"\\/") + 1);
    }
} // namespace NimbravaTest
