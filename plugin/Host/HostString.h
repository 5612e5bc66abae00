#pragma once

#include <string_view>
#include "Host/HostRecords.h"

namespace Nimbrava
{
    // A host string holding the text's bytes, made by the host. Throws std::runtime_error
    // "String construction failed" when the host cannot make it.
    [[nodiscard]] Yarrin::V1::IBasicString<char>* MakeHostString(std::string_view text);
} // namespace Nimbrava
