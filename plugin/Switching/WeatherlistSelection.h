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
    // section names, logging what it did. A chosen name that is no regular file (missing, a
    // directory, a device, no valid name) gives a Warning line and keeps the default. Every failure
    // from reading the configuration on gives one Error line and keeps the default, except that a
    // chosen path whose narrow form cannot be made stays in force in its wide form only (the narrow
    // form stays the default) until the next run. Only a failure to publish the default itself (a
    // working directory the file-API code page cannot write: std::system_error, the wide form is
    // then in force alone), exhausted memory there, or the logger's lock leaves the function.
    void UpdateCurrentWeatherlist();
} // namespace Nimbrava
