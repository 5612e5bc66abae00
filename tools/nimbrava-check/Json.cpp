#include "Json.h"

namespace NimbravaCheck
{
    void WriteJson(std::ostream& out, const Json& value)
    {
        out << value.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    }
} // namespace NimbravaCheck
