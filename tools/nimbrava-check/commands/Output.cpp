#include "commands/Commands.h"
#include "commands/Json.h"

namespace NimbravaCheck
{
    void WriteError(std::ostream& err, std::string_view message)
    {
        err << "nimbrava-check: " << message << "\n";
    }

    void WriteJson(std::ostream& out, const Json& value)
    {
        out << value.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
    }
} // namespace NimbravaCheck
