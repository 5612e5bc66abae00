#pragma once
// The test controls of the stand-in "Yarrin.dll".

#include <cstdint>
#include <string>
#include "Host/HostRecords.h"

// A host string as the stand-in makes it; the programs that drive the plugin read its text.
template <>
class Yarrin::V1::IBasicString<char>
{
public:
    std::string Text;
};

extern "C"
{
    // The host's settings and what it was asked, for the thread that drives the game.
    struct YarrinTestState
    {
        std::uint32_t LengthHighBit = 0;  // sets bit 63 of GetLogsDirectory's length field (the plugin's to ignore)
        std::uint32_t FailAtCall = 0;     // ConstructString<char> returns null at this call since the reset (0: never)
        std::uint32_t FailFromCall = 0;   // ... and at this call and every later one (0: never)
        std::uint32_t ConstructCalls = 0; // ConstructString<char> calls since the reset
    };

    YarrinTestState* YarrinTest();
    // Forgets every setting; the log directory becomes `logsDirectory`.
    void YarrinTest_Reset(const wchar_t* logsDirectory);
}
