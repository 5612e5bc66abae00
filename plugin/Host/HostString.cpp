#include "Host/HostString.h"

#include <stdexcept>

namespace Nimbrava
{
    Yarrin::V1::IBasicString<char>* MakeHostString(std::string_view text)
    {
        auto* string = Yarrin::V1::Details::ConstructString<char>(text.data(), text.size());
        if (string == nullptr)
            throw std::runtime_error("String construction failed");
        return string;
    }
} // namespace Nimbrava
