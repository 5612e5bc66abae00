#pragma once
// The current weatherlist path: the file that ENB's reads of "_weatherlist.ini" are sent to.

#include <cstddef>
#include <string>

namespace Nimbrava
{
    // One value of the current weatherlist path, in both forms the redirection needs.
    struct WeatherlistPath
    {
        std::wstring Wide;  // authoritative; opened with CreateFileW, handed out by the export
        std::string Narrow; // the file-API code page form, for GetPrivateProfileSectionA
    };

    // Readers (ENB's file threads, other modules) run concurrently with a change of worldspace, so
    // the path is published as an immutable snapshot and read with one atomic load, without a lock.
    // A snapshot is never freed before the library unloads; publishing a value that was in force
    // before reuses its snapshot, so memory stays bounded by the number of distinct paths.
    namespace CurrentWeatherlistPath
    {
        // The snapshot in force: both forms empty until the first Publish. Valid until unload.
        [[nodiscard]] const WeatherlistPath& Load() noexcept;

        // Makes this value current. Throws std::bad_alloc; the previous value then stays.
        void Publish(std::wstring wide, std::string narrow);

        // How many snapshots exist, the empty one included: one per distinct value ever published.
        [[nodiscard]] std::size_t SnapshotCount();
    } // namespace CurrentWeatherlistPath
} // namespace Nimbrava
