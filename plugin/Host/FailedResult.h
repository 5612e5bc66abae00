#pragma once

#include <cstdint>
#include "Host/HostRecords.h"

namespace Nimbrava
{
    // A failed result for the host: success flag 0, the error text `message` (a host string, the
    // host's from now on) and the error flag. The payload's other bytes are not written.
    template <typename Result>
    [[nodiscard]] Result FailedResult(Yarrin::V1::IBasicString<char>* message, std::uint16_t errorFlag) noexcept
    {
        Result result;
        result.Success = false;
        result.Error.Message = message;
        result.Error.ErrorFlag = errorFlag;
        return result;
    }
} // namespace Nimbrava
