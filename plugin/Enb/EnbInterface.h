#pragma once
// The functions of ENB's "d3d11.dll" that the plugin calls, imported by name and bound at load: the
// plugin loads only into a process whose "d3d11.dll" offers them.
//
// Declared dllimport so that taking an address yields the function inside ENB's module (through the
// import slot), not a jump stub inside this library: the activation finds ENB's module from it.

#include <cstdint>

namespace Nimbrava::Enb
{
    // A callback ENB calls with its callback type; the plugin acts on type 2.
    using Callback = void (*)(std::uint32_t type);

    inline constexpr std::uint32_t SkyrimSpecialEditionGameId = 0x10000006;
    inline constexpr std::uint32_t WorldspaceState = 22;   // ENBGetState: the worldspace the player is in
    inline constexpr std::uint32_t ReloadRequest = 3;      // DirtyHack: reload the configuration
    inline constexpr std::uint32_t WorldspaceCallback = 2; // the callback type that may mean a new worldspace
} // namespace Nimbrava::Enb

extern "C"
{
    // The SDK version; accepted when its remainder modulo 1000 is at least 2.
    __declspec(dllimport) std::uint32_t ENBGetSDKVersion();
    // The game ENB runs in; 0x10000006 for Skyrim Special Edition.
    __declspec(dllimport) std::uint32_t ENBGetGameIdentifier();
    // ENB's own version number.
    __declspec(dllimport) std::int32_t ENBGetVersion();
    // Registers the callback ENB calls while the game runs (a result, if any, is not read).
    __declspec(dllimport) void ENBSetCallbackFunction(Nimbrava::Enb::Callback callback);
    // A value of ENB's state; state 22 is the identifier of the current worldspace, 0 when none.
    __declspec(dllimport) std::uint32_t ENBGetState(std::uint32_t state);
    // Request 3 reloads ENB's configuration, its weather list included; 0 means it failed. The
    // parameter is -1 for ENB versions below 489, else 0.
    __declspec(dllimport) std::int32_t DirtyHack(std::uint32_t request, std::int64_t parameter);
}
