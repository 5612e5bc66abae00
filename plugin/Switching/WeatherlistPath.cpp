#include "Switching/WeatherlistPath.h"

#include <atomic>
#include <forward_list>
#include <iterator>
#include <mutex>
#include "Switching/InitPriority.h"

namespace Nimbrava
{
    namespace
    {
        struct PathStore
        {
            std::forward_list<WeatherlistPath> Snapshots{WeatherlistPath{}};
            std::atomic<const WeatherlistPath*> Current{&Snapshots.front()};
            std::mutex PublishMutex; // serialises writers only; readers never take it
        };

        ORVEL_INIT_PRIORITY(NIMBRAVA_INIT_PRIORITY_WEATHERLIST_PATH)
        PathStore Store;
    } // namespace

    const WeatherlistPath& CurrentWeatherlistPath::Load() noexcept
    {
        return *Store.Current.load(std::memory_order_acquire);
    }

    void CurrentWeatherlistPath::Publish(std::wstring wide, std::string narrow)
    {
        std::lock_guard lock(Store.PublishMutex);
        for (const auto& snapshot : Store.Snapshots)
        {
            if (snapshot.Wide == wide && snapshot.Narrow == narrow)
            {
                Store.Current.store(&snapshot, std::memory_order_release);
                return;
            }
        }
        Store.Snapshots.push_front(WeatherlistPath{std::move(wide), std::move(narrow)});
        Store.Current.store(&Store.Snapshots.front(), std::memory_order_release);
    }

    std::size_t CurrentWeatherlistPath::SnapshotCount()
    {
        std::lock_guard lock(Store.PublishMutex);
        return static_cast<std::size_t>(std::distance(Store.Snapshots.begin(), Store.Snapshots.end()));
    }
} // namespace Nimbrava
