#pragma once
// Loads Nimbrava.dll with the real loader and calls its entry points the way the game's plugin host
// does: looked up by their decorated names, the result written into storage the host provides. And
// the play-through scripts that drive it together with the stand-in ENB and host.

#include <array>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>
#include <windows.h>
#include "HostRecords.h"

namespace NimbravaTest
{
    // Every byte of a result buffer before the call, so that bytes the plugin leaves alone show.
    constexpr std::uint8_t Unwritten = 0xCD;

    template <std::size_t N>
    using ResultBytes = std::array<std::uint8_t, N>;

    class PluginHost
    {
    public:
        // Loads Nimbrava.dll beside the program. Throws std::runtime_error.
        PluginHost();
        ~PluginHost() { FreeLibrary(m_module); }
        PluginHost(const PluginHost&) = delete;
        PluginHost& operator=(const PluginHost&) = delete;

        [[nodiscard]] HMODULE Module() const noexcept { return m_module; }

        // Call YarrinInitialize and YarrinMain; whatever they throw passes through.
        ResultBytes<128> Initialize(const Yarrin::V1::RuntimeInfo& runtime);
        ResultBytes<24> Main(const Yarrin::V1::RuntimeInfo& runtime);

        static Yarrin::V1::RuntimeInfo MakeRuntimeInfo(bool enbLoadingPoint);

    private:
        HMODULE m_module;
    };

    // Plays the play-through script `script` (see tests/data/playthrough/README.txt), read from
    // `scriptPath`, in the game folder `folder`, with `logs` as the plugin's log folder (empty: logs/ of
    // the game folder). `spawned`: run by a "spawn" of another script, whose "spawn" lines are then
    // skipped. `echo`: prints every command with its outcome. Returns every mismatch, each with its
    // line; empty when the play-through went as the script says.
    std::vector<std::string> PlayScript(std::istream& script, const std::filesystem::path& scriptPath,
                                        const std::filesystem::path& folder, const std::filesystem::path& logs,
                                        bool spawned, bool echo);
} // namespace NimbravaTest
