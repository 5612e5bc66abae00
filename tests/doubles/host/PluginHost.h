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
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
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

    // A line of a script, or a command as it is played: its text, the lines of a "write" up to its
    // ".", and where it was written, such as "storm.play:31 (round 2)" or "standard-game.inc:4
    // (included at storm.play:2)".
    struct ScriptCommand
    {
        std::string Line;
        std::vector<std::string> Body;
        std::string Where;
    };

    // The commands of `script`, with its includes, blocks and repeats spelled out; its places are named
    // after `name`, and "include FILE" reads FILE of `folder`. Throws std::invalid_argument, naming the
    // place, for a line that does not read.
    std::vector<ScriptCommand> ReadScript(std::istream& script, const std::string& name,
                                          const std::filesystem::path& folder);

    // "COMMAND -> OUTCOME", or "COMMAND ->" for an empty outcome: the command, and the outcome the
    // script expects if it states one.
    std::pair<std::string, std::optional<std::string>> SplitAtArrow(const std::string& line);

    // The words of a line; a word in double quotes may hold spaces.
    std::vector<std::string> Words(const std::string& text);

    // Plays the play-through script `script` (see tests/data/playthrough/README.txt), read from
    // `scriptPath`, in the game folder `folder`, with `logs` as the plugin's log folder (empty: logs/ of
    // the game folder). `spawned`: run by a "spawn" of another script, whose "spawn" lines are then
    // skipped. `echo`: the demo's output, where YarrinMain's outcome and a table of the walk's steps go
    // (the file ENB read at each, and the lines the plugin logged).
    // Returns every mismatch, each with its line; empty when the play-through went as the script says.
    // A script that does not read throws std::invalid_argument naming the place.
    std::vector<std::string> PlayScript(std::istream& script, const std::filesystem::path& scriptPath,
                                        const std::filesystem::path& folder, const std::filesystem::path& logs = {},
                                        bool spawned = false, std::ostream* echo = nullptr);

    // Every walk of the play-through script at `scriptPath` whose game ENB accepts and whose reloads
    // succeed (a run of "walk" commands that only commands that look break), played again from the
    // game's start in a game folder of its own under `root`, with the files the script wrote by then,
    // and held against the prediction of `checker` (nimbrava-check.exe --walk in that folder): the table
    // of the demo's walk, step by step, the file ENB read and the lines logged. Returns each walk that
    // differs, or did not play, with both tables; adds the walks compared to `compared`.
    std::vector<std::string> CompareWalks(const std::filesystem::path& scriptPath, const std::filesystem::path& checker,
                                          const std::filesystem::path& root, std::size_t& compared);
} // namespace NimbravaTest
