// Stands in for the plugin host's "Yarrin.dll": the two host functions the plugin imports (exported
// under the names hosts built with MSVC give them too, which the plugin imports), plus a
// small control interface through which tests set the log directory and make string construction
// fail; the strings the plugin made are read through their type in YarrinControl.h.

#include "YarrinControl.h"

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
    const auto call = ++Host.ConstructCalls;
    const bool fails = call == Host.FailAtCall || (Host.FailFromCall != 0 && call >= Host.FailFromCall);
    return fails ? nullptr : new IBasicString<char>{std::string(text, length)};
}

// The controls, with the C linkage YarrinControl.h declares them with.
// clang-format off
__declspec(dllexport) YarrinTestState* YarrinTest() { return &Host; }
// clang-format on

__declspec(dllexport) void YarrinTest_Reset(const wchar_t* logs)
{
    LogsDirectory = logs != nullptr ? logs : L"";
    Host = {};
}
