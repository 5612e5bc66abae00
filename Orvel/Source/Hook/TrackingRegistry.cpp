#include "Orvel/Hook/TrackingRegistry.h"

#include <algorithm>
#include "Orvel/InitPriority.h"

namespace Orvel::Hook
{
    namespace
    {
        ORVEL_INIT_PRIORITY(ORVEL_INIT_PRIORITY_TRACKING_REGISTRY)
        TrackingRegistry ProcessRegistry;
    } // namespace

    TrackingRegistry& TrackingRegistry::Process() noexcept
    {
        return ProcessRegistry;
    }

    void TrackingRegistry::Add(std::unique_ptr<ITrackable> object)
    {
        m_objects.push_back(std::move(object));
    }

    void TrackingRegistry::RestoreAndRemove(std::uintptr_t key, std::size_t first) noexcept
    {
        first = std::min(first, m_objects.size());
        // Newest first, as an undo log unwinds: when the same memory was saved twice, the oldest
        // copy is the one left in place.
        for (std::size_t i = m_objects.size(); i-- > first;)
        {
            ITrackable& object = *m_objects[i];
            if (object.GetKey() == key && !object.IsRestored())
            {
                object.Restore();
                object.MarkRestored();
            }
        }
        const auto tail = std::remove_if(m_objects.begin() + static_cast<std::ptrdiff_t>(first), m_objects.end(),
                                         [key](const auto& object) { return object->GetKey() == key; });
        m_objects.erase(tail, m_objects.end());
    }
} // namespace Orvel::Hook
