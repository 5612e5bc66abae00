#include "PluginHost.h"

#include <cstring>
#include <stdexcept>
#include "ModuleInfo.h"

namespace NimbravaTest
{
    namespace
    {
        // The x64 calling convention returns records of these sizes through a pointer the caller
        // passes first; the callee returns that pointer.
        template <std::size_t N, typename... Args>
        ResultBytes<N> Call(HMODULE module, const char* name, Args... args)
        {
            using Entry = void* (*)(void*, Args...);
            const auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
            if (entry == nullptr)
                throw std::runtime_error(std::string("the plugin does not export ") + name);
            ResultBytes<N> result;
            result.fill(Unwritten);
            if (entry(result.data(), args...) != result.data())
                throw std::runtime_error(std::string(name) + " did not return the result storage");
            return result;
        }
    } // namespace

    std::wstring ProgramDirectory()
    {
        wchar_t path[MAX_PATH];
        const std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
        return file.substr(0, file.find_last_of(L"\\/") + 1);
    }

    PluginHost::PluginHost() : m_module(LoadLibraryW((ProgramDirectory() + L"Nimbrava.dll").c_str()))
    {
        if (m_module == nullptr)
            throw std::runtime_error("LoadLibraryW failed with error " + std::to_string(GetLastError()));
    }

    ResultBytes<128> PluginHost::Initialize(const Yarrin::V1::RuntimeInfo& runtime)
    {
        return Call<128>(m_module, "_Z16YarrinInitializeRKN6Yarrin2V111RuntimeInfoE", &runtime);
    }

    ResultBytes<24> PluginHost::Main(const Yarrin::V1::RuntimeInfo& runtime)
    {
        return Call<24>(m_module, "_Z10YarrinMainP11HINSTANCE__RKN6Yarrin2V111RuntimeInfoE",
                        static_cast<HINSTANCE>(m_module), &runtime);
    }

    Yarrin::V1::RuntimeInfo PluginHost::MakeRuntimeInfo(bool enbLoadingPoint)
    {
        Yarrin::V1::RuntimeInfo runtime;
        std::memset(&runtime, 0xFF, sizeof runtime); // the plugin must read only its one bit
        if (!enbLoadingPoint)
            runtime.Flags = static_cast<std::uint8_t>(0xFF & ~Yarrin::V1::RuntimeInfo::EnbLoadingPointFlag);
        return runtime;
    }
} // namespace NimbravaTest
