#pragma once
// What the entry points do with an exception: nothing may leave them, since the host is built with
// MSVC and, to it, an exception of this library is a foreign structured exception that it cannot
// catch (unhandled, it ends the game).

#include "Host/HostRecords.h"

namespace Nimbrava
{
    // The exception being handled (call it from a catch block) as the host's error text: its text as
    // the library renders exceptions, logged at Fatal first where the log is open, then made a host
    // string. Never throws and never returns null: when the host cannot make even that string, the
    // process ends through std::terminate.
    [[nodiscard]] Yarrin::V1::IBasicString<char>* ReportCaughtException() noexcept;
} // namespace Nimbrava
