// The plugin host's "Yarrin.dll" as a host built with MSVC makes it: the two host functions the
// plugin imports, exported under the names this compiler (in MSVC's ABI) gives their declarations,
// with no C or C++ runtime. Strings come from a fixed pool; none is ever freed (a short run).

#define WITNESS_YARRIN_API __declspec(dllexport)
#include "WitnessYarrin.h"

// The host's header declares its functions plainly; this module exports them where it defines them,
// as a host's own build does.
#pragma clang diagnostic ignored "-Wdll-attribute-on-redeclaration"

namespace
{
    const wchar_t* LogsCharacters = L"";
    std::uint64_t LogsLengthField = 0;
    Yarrin::V1::IBasicString<char> Pool[16];
    std::uint32_t Made = 0;
} // namespace

__declspec(dllexport) Yarrin::V1::PathViewAdaptor Yarrin::V1::GetLogsDirectory()
{
    return {LogsCharacters, LogsLengthField};
}

template <>
__declspec(dllexport) Yarrin::V1::IBasicString<char>* Yarrin::V1::Details::ConstructString<char>(const char* text,
                                                                                                 std::uint64_t length)
{
    if (Made == sizeof Pool / sizeof Pool[0] || length > IBasicString<char>::Capacity)
        return nullptr;
    auto& string = Pool[Made++];
    for (std::uint64_t at = 0; at < length; ++at)
        string.Text[at] = text[at];
    string.Length = length;
    return &string;
}

void WitnessYarrin_SetLogs(const wchar_t* characters, std::uint64_t lengthField)
{
    LogsCharacters = characters;
    LogsLengthField = lengthField;
}

std::uint32_t WitnessYarrin_Strings()
{
    return Made;
}
