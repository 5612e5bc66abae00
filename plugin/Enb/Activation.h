#pragma once
// YarrinMain's work: check ENB, register the callback, set the first weather list, patch ENB's
// imports of CreateFileA and GetPrivateProfileSectionA.

#include "Host/HostRecords.h"

namespace Nimbrava
{
    // The answer to YarrinMain.
    //  - An SDK version whose remainder modulo 1000 is below 2, or a game other than Skyrim Special
    //    Edition: Fatal line, error record with the same text and error flag 1; nothing registered.
    //  - Otherwise the callback is registered, the reload parameter set, UpdateCurrentWeatherlist run
    //    once and both import slots of ENB's module patched: "Initialized successfully", success.
    //  - A slot that cannot be patched: Fatal "Initialization failed, unable to inject hooks", error
    //    flag 0; what was done stays done (the CreateFileA slot stays patched when only the second
    //    slot failed).
    //  - A repeated call after the callback was registered changes nothing: it logs a Warning and
    //    answers as the state is (success when both slots are patched, else the hook failure).
    // Throws std::runtime_error "String construction failed" when the host cannot make an error text,
    // and whatever UpdateCurrentWeatherlist or the slot replacement lets out.
    [[nodiscard]] Yarrin::V1::MainResult Activate();

    // Whether the callback has been registered with ENB, by this or an earlier call of Activate: from
    // then on ENB holds a pointer into the library.
    [[nodiscard]] bool CallbackRegistered() noexcept;
} // namespace Nimbrava
