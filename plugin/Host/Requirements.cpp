#include "Host/Requirements.h"

#include <cstring>
#include "Host/HostString.h"
#include "Host/Version.h"

namespace Nimbrava
{
    Yarrin::V1::InitializeResult MakeRequirementsResult() noexcept
    {
        Yarrin::V1::InitializeResult result;
        result.Success = true;
        auto& requirements = result.Value;
        requirements.Version[0] = NIMBRAVA_VERSION_MAJOR;
        requirements.Version[1] = NIMBRAVA_VERSION_MINOR;
        requirements.Version[2] = NIMBRAVA_VERSION_PATCH;
        requirements.Version[3] = NIMBRAVA_VERSION_BUILD;
        std::memset(requirements.Reserved16, 0, sizeof requirements.Reserved16);
        requirements.DisplayName = MakeHostString(NIMBRAVA_DISPLAY_NAME);
        requirements.Field48 = 1;
        requirements.Field56 = 2;
        requirements.Author = MakeHostString(NIMBRAVA_AUTHOR);
        requirements.Field72 = 0;
        requirements.Field80 = 4;
        std::memset(requirements.Reserved88, 0, sizeof requirements.Reserved88);
        requirements.Field112 = 2;
        requirements.Field120 = 0;
        return result;
    }
} // namespace Nimbrava
