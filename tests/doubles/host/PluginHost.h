#pragma once
// Loads Nimbrava.dll with the real loader and calls its entry points the way the game's plugin host
// does: looked up by their decorated names, the result written into storage the host provides.

#include <array>
#include <cstring>
#include <cstdint>
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
        static constexpr const char* InitializeName = "_Z16YarrinInitializeRKN6Yarrin2V111RuntimeInfoE";
        static constexpr const char* MainName = "_Z10YarrinMainP11HINSTANCE__RKN6Yarrin2V111RuntimeInfoE";

        // Loads the DLL (by default Nimbrava.dll beside the program). Throws std::runtime_error.
        explicit PluginHost(const std::wstring& dll = L"");
        ~PluginHost();
        PluginHost(const PluginHost&) = delete;
        PluginHost& operator=(const PluginHost&) = delete;

        [[nodiscard]] HMODULE Module() const noexcept { return m_module; }

        // Calls YarrinInitialize; whatever it throws passes through.
        ResultBytes<128> Initialize(const Yarrin::V1::RuntimeInfo& runtime);

        // Calls YarrinMain; whatever it throws passes through.
        ResultBytes<24> Main(const Yarrin::V1::RuntimeInfo& runtime);

        // Unloads the DLL now (its static objects are destroyed: the log file is closed).
        void Unload();

        static Yarrin::V1::RuntimeInfo MakeRuntimeInfo(bool enbLoadingPoint);

    private:
        HMODULE m_module = nullptr;
    };

    // Every way a YarrinInitialize result differs from the requirements record the host expects
    // (success flag, each constant field, the two host strings); empty when it is exact.
    std::vector<std::string> RequirementsMismatches(const ResultBytes<128>& result);

    // A YarrinMain result as the host reads it: "success", or "error <flag> <text>", or what is wrong
    // with the record (a success payload other than one 0 byte, an unknown success flag).
    std::string DescribeMainResult(const ResultBytes<24>& result);

    // The text of a host string whose pointer sits at `offset` of a result.
    template <std::size_t N>
    std::string HostStringAt(const ResultBytes<N>& result, std::size_t offset);

    template <typename T, std::size_t N>
    T ReadAt(const ResultBytes<N>& bytes, std::size_t offset)
    {
        T value;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
} // namespace NimbravaTest
