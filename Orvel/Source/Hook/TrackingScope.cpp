#include "Orvel/Hook/TrackingScope.h"

namespace Orvel::Hook
{
    TrackingScope::~TrackingScope()
    {
        if (m_key != 0)
            m_registry->RestoreAndRemove(m_key, m_first);
    }
} // namespace Orvel::Hook
