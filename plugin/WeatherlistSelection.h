#pragma once
// The choice of the weather list in force, made afresh at every change of worldspace.

#include <atomic>
#include <cstdint>

namespace Nimbrava
{
    // The identifier of the worldspace the player is in, as ENB reported it last; 0 while none is
    // known. Written only by the ENB callback, just before it runs UpdateCurrentWeatherlist.
    extern std::atomic<std::uint32_t> StoredWorldspaceId;

    // Resets the current weatherlist path to ENB's own "_weatherlist.ini", then, for a known
    // worldspace, reads "_nimbrava.ini" and switches to the file its first matching weatherlist
    // section names, logging what it did. Every failure from reading the configuration on is logged
    // and leaves the default in force; only a failure to build the default path itself (a working
    // directory the file-API code page cannot represent, exhausted memory) or of the logger's lock
    // leaves the function, as an exception.
    void UpdateCurrentWeatherlist();
} // namespace Nimbrava
