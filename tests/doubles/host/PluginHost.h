#pragma once
// Loads Nimbrava.dll with the real loader and calls its entry points the way the game's plugin host
// does: looked up by their decorated names, the result written into storage the host provides. And
// the play-through scripts that drive it together with the stand-in ENB and host.

#include <array>
#include <cstdint>
#include <filesystem>
#include <istream>
#include <memory>
#include <string>
#include <vector>
#include <windows.h>
#include "EnbControl.h"
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

    // A game folder driven by a play-through script (see tests/data/playthrough/README.txt): each
    // command's outcome is compared with the one the script expects, the plugin's log with the
    // script's "log" lines whenever the plugin is unloaded.
    class Scenario
    {
    public:
        // `spawned`: run by a "spawn" of another script, whose "spawn" lines are then skipped.
        // `echo`: print every command with its outcome.
        Scenario(std::filesystem::path folder, bool spawned, bool echo = false);
        ~Scenario();
        Scenario(const Scenario&) = delete;
        Scenario& operator=(const Scenario&) = delete;

        // Every mismatch, empty when the play-through went as the script says.
        std::vector<std::string> Run(std::istream& script, const std::filesystem::path& scriptPath = {});

        std::filesystem::path Logs; // the log folder the host gives the plugin

    private:
        std::string Do(const std::vector<std::string>& words, std::istream& script);
        PluginHost& Host();
        std::string Path();
        std::string Walk(std::uint32_t id);
        std::string Describe(const EnbTestRead& read) const;
        std::string Relative(const std::filesystem::path& file) const;
        std::string Storm(const std::vector<std::string>& words);
        std::string Spawn(const std::string& d3d11);
        void Finish();

        std::filesystem::path m_folder, m_previous, m_script;
        bool m_spawned, m_echo, m_delegated = false;
        int m_line = 0;
        std::unique_ptr<PluginHost> m_host;
        HMODULE m_otherD3d11 = nullptr;
        std::vector<std::string> m_expectedLog, m_failures;
        std::string m_detail; // shown with a mismatch of the last outcome
    };
} // namespace NimbravaTest
