#include "Orvel/Hook/IATSearchError.h"

namespace Orvel::Hook
{
    namespace
    {
        constinit const IATSearchErrorContext IATSearchErrorContextInstance;
    }

    std::string IATSearchErrorContext::GetErrorMessage(std::int32_t code) const
    {
        switch (static_cast<IATSearchErrorCode>(code))
        {
        case IATSearchErrorCode::UnexpectedImageHeader:
            return "Unexpected image header format";
        case IATSearchErrorCode::DllNameNotFound:
            return "Import table doesn't contain DLL name";
        case IATSearchErrorCode::SymbolNameNotFound:
            return "Import table didn't contain symbol name";
        }
        return {};
    }

    const IATSearchErrorContext& IATSearchErrorContext::Instance() noexcept
    {
        return IATSearchErrorContextInstance;
    }

    std::error_code make_error_code(IATSearchErrorCode code) noexcept
    {
        return {static_cast<int>(code), IATSearchErrorContextInstance};
    }
} // namespace Orvel::Hook
