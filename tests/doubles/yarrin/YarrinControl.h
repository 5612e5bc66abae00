#pragma once
// The test controls of the stand-in "Yarrin.dll".

#include <cstdint>
#include "HostRecords.h"

extern "C"
{
    // Forgets every setting; the log directory becomes `logsDirectory`.
    void YarrinTest_Reset(const wchar_t* logsDirectory);
    // Sets bit 63 of the length field that GetLogsDirectory returns (a field the plugin must ignore).
    void YarrinTest_SetLengthHighBit(bool set);
    // ConstructString<char> returns null at its `call`-th call after the reset (0: never).
    void YarrinTest_FailConstructStringAtCall(int call);
    int YarrinTest_ConstructStringCalls();
    // The bytes of a host string the plugin made.
    const char* YarrinTest_StringText(const Yarrin::V1::IBasicString<char>* string, std::uint64_t* length);
}
