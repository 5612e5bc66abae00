// Stands in for the plugin host's "Yarrin.dll": the two host functions the plugin imports, plus a
// small control interface through which tests set the log directory, make string construction fail
// and read back the strings the plugin made.

#include <string>
#include "YarrinControl.h"

template <>
class Yarrin::V1::IBasicString<char>
{
public:
    std::string Text;
};

namespace
{
    std::wstring LogsDirectory;
    YarrinTestState Host;
} // namespace

__declspec(dllexport) Yarrin::V1::PathViewAdaptor Yarrin::V1::GetLogsDirectory()
{
    return {LogsDirectory.c_str(), LogsDirectory.size() | std::uint64_t{Host.LengthHighBit != 0} << 63};
}

template <>
__declspec(dllexport) Yarrin::V1::IBasicString<char>* Yarrin::V1::Details::ConstructString<char>(const char* text,
                                                                                                 std::uint64_t length)
{
    if (++Host.ConstructCalls == Host.FailAtCall)
        return nullptr;
    return new IBasicString<char>{std::string(text, static_cast<std::size_t>(length))};
}

extern "C"
{
    // clang-format off
    __declspec(dllexport) YarrinTestState* YarrinTest() { return &Host; }
    __declspec(dllexport) void YarrinTest_Reset(const wchar_t* logs) { LogsDirectory = logs != nullptr ? logs : L"", Host = {}; }
    // clang-format on

    __declspec(dllexport) const
        char* YarrinTest_StringText(const Yarrin::V1::IBasicString<char>* string, std::uint64_t* length)
    {
        *length = string != nullptr ? string->Text.size() : 0;
        return string != nullptr ? string->Text.c_str() : nullptr;
    }
}
