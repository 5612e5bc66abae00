#include "Orvel/Hook/TrackingScope.h"

#ifdef _WIN32
#include "Orvel/Hook/TrackedMemoryBackup.h"
#endif

namespace Orvel::Hook
{
    TrackingScope::~TrackingScope()
    {
        if (m_key != 0)
            m_registry->RestoreAndRemove(m_key, m_first);
    }

#ifdef _WIN32
    void TrackingScope::TrackMemory(void* address, std::size_t size)
    {
        Emplace<TrackedMemoryBackup>(address, size);
    }
#endif
} // namespace Orvel::Hook
