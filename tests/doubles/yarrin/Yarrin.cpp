// Stands in for the plugin host's "Yarrin.dll": the two host functions the plugin imports, plus a
// small control interface through which tests set the log directory, make string construction fail
// and read back the strings the plugin made.

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>
#include "HostRecords.h"
#include "YarrinControl.h"

template <>
class Yarrin::V1::IBasicString<char>
{
public:
    explicit IBasicString(std::string text) : Text(std::move(text)) {}
    std::string Text;
};

namespace
{
    std::mutex Mutex;
    std::wstring LogsDirectory;
    bool SetLengthHighBit = false;
    int ConstructCalls = 0;
    int FailAtCall = 0;
} // namespace

__declspec(dllexport) Yarrin::V1::PathViewAdaptor Yarrin::V1::GetLogsDirectory()
{
    std::lock_guard lock(Mutex);
    std::uint64_t length = LogsDirectory.size();
    if (SetLengthHighBit)
        length |= std::uint64_t{1} << 63;
    return {LogsDirectory.c_str(), length};
}

template <>
__declspec(dllexport) Yarrin::V1::IBasicString<char>* Yarrin::V1::Details::ConstructString<char>(const char* text,
                                                                                                 std::uint64_t length)
{
    std::lock_guard lock(Mutex);
    ++ConstructCalls;
    if (FailAtCall != 0 && ConstructCalls == FailAtCall)
        return nullptr;
    return new IBasicString<char>(std::string(text, static_cast<std::size_t>(length)));
}

extern "C"
{
    __declspec(dllexport) void YarrinTest_Reset(const wchar_t* logsDirectory)
    {
        std::lock_guard lock(Mutex);
        LogsDirectory = logsDirectory != nullptr ? logsDirectory : L"";
        SetLengthHighBit = false;
        ConstructCalls = 0;
        FailAtCall = 0;
    }

    __declspec(dllexport) void YarrinTest_SetLengthHighBit(bool set)
    {
        std::lock_guard lock(Mutex);
        SetLengthHighBit = set;
    }

    __declspec(dllexport) void YarrinTest_FailConstructStringAtCall(int call)
    {
        std::lock_guard lock(Mutex);
        FailAtCall = call;
    }

    __declspec(dllexport) int YarrinTest_ConstructStringCalls()
    {
        std::lock_guard lock(Mutex);
        return ConstructCalls;
    }

    __declspec(dllexport) const
        char* YarrinTest_StringText(const Yarrin::V1::IBasicString<char>* string, std::uint64_t* length)
    {
        if (string == nullptr)
            return nullptr;
        if (length != nullptr)
            *length = string->Text.size();
        return string->Text.c_str();
    }

    __declspec(dllexport) void YarrinTest_FreeString(Yarrin::V1::IBasicString<char>* string)
    {
        delete string;
    }
}
