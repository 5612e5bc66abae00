// The query other modules use to learn which weather list file is in force.

#include <cstddef>
#include "Switching/WeatherlistPath.h"

// Returns the current weatherlist path's wide characters, NUL-terminated, and stores their count
// (UTF-16 code units, without the terminator) in *length unless `length` is null. Before the first
// switch the path is empty. The characters belong to the library and stay readable until it unloads:
// a later switch makes another path current but frees none. Takes no lock and allocates nothing.
extern "C" const wchar_t* GetCurrentWeatherlistPath(std::size_t* length) noexcept
{
    const auto& path = Nimbrava::CurrentWeatherlistPath::Load();
    if (length != nullptr)
        *length = path.Wide.size();
    return path.Wide.c_str();
}
