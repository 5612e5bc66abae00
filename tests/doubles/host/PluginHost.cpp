#include "PluginHost.h"

#include <cstring>
#include <stdexcept>
#include "ModuleInfo.h"
#include "YarrinControl.h"

namespace NimbravaTest
{
    namespace
    {
        // The x64 calling convention returns records of this size through a pointer the caller
        // passes first; the callee returns that pointer.
        using InitializeEntry = void* (*)(void* result, const Yarrin::V1::RuntimeInfo* runtime);
        using MainEntry = void* (*)(void* result, HINSTANCE instance, const Yarrin::V1::RuntimeInfo* runtime);

        FARPROC Find(HMODULE module, const char* name)
        {
            const FARPROC address = GetProcAddress(module, name);
            if (address == nullptr)
                throw std::runtime_error(std::string("the plugin does not export ") + name);
            return address;
        }
    } // namespace

    PluginHost::PluginHost(const std::wstring& dll)
    {
        const std::wstring path = dll.empty() ? ProgramDirectory() + L"Nimbrava.dll" : dll;
        m_module = LoadLibraryW(path.c_str());
        if (m_module == nullptr)
            throw std::runtime_error("LoadLibraryW failed with error " + std::to_string(GetLastError()));
    }

    PluginHost::~PluginHost()
    {
        Unload();
    }

    void PluginHost::Unload()
    {
        if (m_module != nullptr)
            FreeLibrary(m_module);
        m_module = nullptr;
    }

    ResultBytes<128> PluginHost::Initialize(const Yarrin::V1::RuntimeInfo& runtime)
    {
        ResultBytes<128> result;
        result.fill(Unwritten);
        const auto entry = reinterpret_cast<InitializeEntry>(reinterpret_cast<void*>(Find(m_module, InitializeName)));
        void* returned = entry(result.data(), &runtime);
        if (returned != result.data())
            throw std::runtime_error("YarrinInitialize did not return the result storage");
        return result;
    }

    ResultBytes<24> PluginHost::Main(const Yarrin::V1::RuntimeInfo& runtime)
    {
        ResultBytes<24> result;
        result.fill(Unwritten);
        const auto entry = reinterpret_cast<MainEntry>(reinterpret_cast<void*>(Find(m_module, MainName)));
        void* returned = entry(result.data(), m_module, &runtime);
        if (returned != result.data())
            throw std::runtime_error("YarrinMain did not return the result storage");
        return result;
    }

    std::string DescribeMainResult(const ResultBytes<24>& result)
    {
        // Only the flag and the payload are written: one 0 byte for success, the message and the
        // error flag for an error.
        for (std::size_t at = 1; at < result.size(); ++at)
        {
            const bool payload = result[0] == 1 ? at == 8 : (at >= 8 && at < 18);
            if (!payload && result[at] != Unwritten)
                return "a result that writes byte " + std::to_string(at);
        }
        if (result[0] == 1)
            return result[8] == 0 ? "success" : "success with payload byte " + std::to_string(result[8]);
        if (result[0] != 0)
            return "success flag " + std::to_string(result[0]);
        return "error " + std::to_string(ReadAt<std::uint16_t>(result, 16)) + " " + HostStringAt(result, 8);
    }

    Yarrin::V1::RuntimeInfo PluginHost::MakeRuntimeInfo(bool enbLoadingPoint)
    {
        Yarrin::V1::RuntimeInfo runtime;
        std::memset(&runtime, 0xFF, sizeof runtime); // the plugin must read only its one bit
        runtime.Flags =
            static_cast<std::uint8_t>(enbLoadingPoint ? 0xFF : 0xFF & ~Yarrin::V1::RuntimeInfo::EnbLoadingPointFlag);
        return runtime;
    }

    std::vector<std::string> RequirementsMismatches(const ResultBytes<128>& result)
    {
        struct Field
        {
            std::size_t Offset;
            std::size_t Width;
            std::uint64_t Value;
        };
        // Offsets in the result record; the record itself starts at 8.
        static constexpr Field Expected[] = {
            {0, 1, 1},  {8, 4, 1},  {12, 4, 2}, {16, 8, 0}, {24, 8, 0},  {32, 8, 0},  {48, 8, 1},  {56, 4, 2},
            {72, 8, 0}, {80, 8, 4}, {88, 8, 0}, {96, 8, 0}, {104, 8, 0}, {112, 8, 2}, {120, 8, 0},
        };
        std::vector<std::string> mismatches;
        for (const auto& field : Expected)
        {
            std::uint64_t value = 0;
            std::memcpy(&value, result.data() + field.Offset, field.Width);
            if (value != field.Value)
                mismatches.push_back("offset " + std::to_string(field.Offset) + ": " + std::to_string(value) +
                                     " instead of " + std::to_string(field.Value));
        }
        if (const auto name = HostStringAt(result, 40); name != "Nimbrava")
            mismatches.push_back("display name '" + name + "'");
        if (const auto author = HostStringAt(result, 64); author != "Vorkessa")
            mismatches.push_back("author '" + author + "'");
        return mismatches;
    }

    template <std::size_t N>
    std::string HostStringAt(const ResultBytes<N>& result, std::size_t offset)
    {
        const auto* string = ReadAt<const Yarrin::V1::IBasicString<char>*>(result, offset);
        std::uint64_t length = 0;
        const char* text = YarrinTest_StringText(string, &length);
        return text != nullptr ? std::string(text, static_cast<std::size_t>(length)) : std::string("<null>");
    }

    template std::string HostStringAt<128>(const ResultBytes<128>&, std::size_t);
    template std::string HostStringAt<24>(const ResultBytes<24>&, std::size_t);
} // namespace NimbravaTest
