#pragma once
// Loads Nimbrava.dll with the real loader and calls its entry points the way the game's plugin host
// does: looked up by their decorated names, the result written into storage the host provides. And
// the play-through scripts that drive it together with the stand-in ENB and host.

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <istream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>
#include <windows.h>
#include "Host/HostRecords.h"
#include "HostBoundaryNames.h"

namespace NimbravaTest
{
    // The folder that holds the running program, with a trailing backslash.
    inline std::wstring ProgramDirectory()
    {
        wchar_t path[MAX_PATH];
        const std::wstring file(path, GetModuleFileNameW(nullptr, path, MAX_PATH));
        return file.substr(0, file.find_last_of(L"\\/") + 1);
    }

    // Every byte of a result buffer before the call, so that bytes the plugin leaves alone show.
    constexpr std::uint8_t Unwritten = 0xCD;

    template <std::size_t N>
    using ResultBytes = std::array<std::uint8_t, N>;

    class PluginHost
    {
    public:
        // Loads Nimbrava.dll beside the program. Throws std::runtime_error.
        // Freed with its destruction; the one owner of the module.
        PluginHost() : m_module(LoadLibraryW((ProgramDirectory() + L"Nimbrava.dll").c_str()), FreeLibrary)
        {
            if (m_module == nullptr)
                throw std::runtime_error("LoadLibraryW failed with error " + std::to_string(GetLastError()));
        }

        [[nodiscard]] HMODULE Module() const noexcept { return m_module.get(); }

        // Call YarrinInitialize and YarrinMain, found by the names a host built with MSVC looks up.
        ResultBytes<128> Initialize(const Yarrin::V1::RuntimeInfo& runtime)
        {
            return Call<128>(NimbravaBoundaryNames::YarrinInitialize, &runtime);
        }
        ResultBytes<24> Main(const Yarrin::V1::RuntimeInfo& runtime)
        {
            return Call<24>(NimbravaBoundaryNames::YarrinMain, Module(), &runtime);
        }

        // Every byte set but, without the ENB loading point, its flag: the plugin must read only that.
        static Yarrin::V1::RuntimeInfo MakeRuntimeInfo(bool enbLoadingPoint)
        {
            Yarrin::V1::RuntimeInfo runtime;
            std::memset(&runtime, 0xFF, sizeof runtime);
            runtime.Flags = static_cast<std::uint8_t>(enbLoadingPoint ? 0xFF : 0xFF & ~runtime.EnbLoadingPointFlag);
            return runtime;
        }

    private:
        // The x64 calling convention returns records of these sizes through a pointer the caller
        // passes first; the callee returns that pointer.
        template <std::size_t N, typename... Args>
        ResultBytes<N> Call(const char* name, Args... args)
        {
            using Entry = void* (*)(void*, Args...);
            const auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(Module(), name)));
            ResultBytes<N> result;
            result.fill(Unwritten);
            if (entry == nullptr || entry(result.data(), args...) != result.data())
                throw std::runtime_error(std::string(name) + " is not exported or did not return the result storage");
            return result;
        }

        std::unique_ptr<HINSTANCE__, decltype(&FreeLibrary)> m_module;
    };

    // Plays the play-through script `script` (see tests/data/playthrough/README.txt), read from
    // `scriptPath`, in the game folder `folder`, with `logs` as the plugin's log folder (empty: logs/ of
    // the game folder). `spawned`: run by a "spawn" of another script, whose "spawn" lines are then
    // skipped. `echo`: the demo, which prints YarrinMain's outcome and a table of the walk's steps.
    // Returns every mismatch, each with its line; empty when the play-through went as the script says.
    // A script that does not read throws std::invalid_argument naming the place.
    std::vector<std::string> PlayScript(std::istream& script, const std::filesystem::path& scriptPath,
                                        const std::filesystem::path& folder, const std::filesystem::path& logs = {},
                                        bool spawned = false, bool echo = false);
} // namespace NimbravaTest
