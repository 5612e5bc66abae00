// Stands in for the plugin host's "Yarrin.dll": the two host functions the plugin imports, plus a
// small control interface through which tests set the log directory, make string construction fail
// and read back the strings the plugin made.

#include <cstdint>
#include <mutex>
#include <string>
#include "HostRecords.h"
#include "YarrinControl.h"

template <>
class Yarrin::V1::IBasicString<char>
{
public:
    std::string Text;
};

namespace
{
    std::mutex Mutex;
    struct Settings
    {
        std::wstring LogsDirectory;
        bool SetLengthHighBit = false;
        int ConstructCalls = 0, FailAtCall = 0;
    } Host;
} // namespace

__declspec(dllexport) Yarrin::V1::PathViewAdaptor Yarrin::V1::GetLogsDirectory()
{
    std::lock_guard lock(Mutex);
    return {Host.LogsDirectory.c_str(), Host.LogsDirectory.size() | std::uint64_t{Host.SetLengthHighBit} << 63};
}

template <>
__declspec(dllexport) Yarrin::V1::IBasicString<char>* Yarrin::V1::Details::ConstructString<char>(const char* text,
                                                                                                 std::uint64_t length)
{
    std::lock_guard lock(Mutex);
    if (++Host.ConstructCalls == Host.FailAtCall)
        return nullptr;
    return new IBasicString<char>{std::string(text, static_cast<std::size_t>(length))};
}

extern "C"
{
    // clang-format off
    __declspec(dllexport) void YarrinTest_Reset(const wchar_t* logs) { std::lock_guard lock(Mutex); Host = {logs != nullptr ? logs : L""}; }
    __declspec(dllexport) void YarrinTest_SetLengthHighBit(bool set) { std::lock_guard lock(Mutex); Host.SetLengthHighBit = set; }
    __declspec(dllexport) void YarrinTest_FailConstructStringAtCall(int call) { std::lock_guard lock(Mutex); Host.FailAtCall = call; }
    __declspec(dllexport) int YarrinTest_ConstructStringCalls() { std::lock_guard lock(Mutex); return Host.ConstructCalls; }
    // clang-format on

    __declspec(dllexport) const
        char* YarrinTest_StringText(const Yarrin::V1::IBasicString<char>* string, std::uint64_t* length)
    {
        if (string == nullptr)
            return nullptr;
        *length = string->Text.size();
        return string->Text.c_str();
    }
}
