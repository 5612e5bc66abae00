#pragma once
// The witness host's "Yarrin.dll" (WitnessYarrin.cpp), built like the witness in MSVC's ABI: its
// host strings and the control through which the witness host sets the log folder.

#include <cstdint>
#include "Host/HostRecords.h"

// A host string as this host makes it: the bytes it was given, in a fixed block of its own.
template <>
class Yarrin::V1::IBasicString<char>
{
public:
    static constexpr std::uint64_t Capacity = 512;
    char Text[Capacity];
    std::uint64_t Length;
};

#ifndef WITNESS_YARRIN_API
#define WITNESS_YARRIN_API __declspec(dllimport)
#endif

extern "C"
{
    // GetLogsDirectory answers with these characters and this length field from now on.
    WITNESS_YARRIN_API void WitnessYarrin_SetLogs(const wchar_t* characters, std::uint64_t lengthField);
    // How many strings ConstructString<char> has made.
    WITNESS_YARRIN_API std::uint32_t WitnessYarrin_Strings();
}
