#include "Orvel/ErrorContext.h"

namespace Orvel
{
    namespace
    {
        constinit const DefaultErrorContext DefaultErrorContextInstance;
    }

    const DefaultErrorContext& DefaultErrorContext::Instance() noexcept
    {
        return DefaultErrorContextInstance;
    }

    std::error_code MakeDefaultError(std::int32_t code) noexcept
    {
        return {code, DefaultErrorContextInstance};
    }
} // namespace Orvel
