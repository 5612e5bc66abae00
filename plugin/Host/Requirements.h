#pragma once

#include "Host/HostRecords.h"

namespace Nimbrava
{
    // The successful answer to YarrinInitialize: the requirements record with the display name and
    // the author as host strings. A host that cannot make them ends the process (std::terminate).
    [[nodiscard]] Yarrin::V1::InitializeResult MakeRequirementsResult() noexcept;
} // namespace Nimbrava
