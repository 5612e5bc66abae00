// The query other modules use to learn which weather list file is in force.

#include <cstddef>
#include "WeatherlistPath.h"

extern "C" const wchar_t* GetCurrentWeatherlistPath(std::size_t* length) noexcept
{
    const auto& path = Nimbrava::CurrentWeatherlistPath::Load();
    if (length != nullptr)
        *length = path.Wide.size();
    return path.Wide.c_str();
}
