#include "commands/Commands.h"
#include "commands/Json.h"

#include <fmt/format.h>
#include "text/ProgramName.h"

namespace NimbravaCheck
{
    void WriteError(std::ostream& err, std::string_view message)
    {
        err << ProgramName() << ": " << message << "\n";
    }

    namespace
    {
        std::string Dumped(const Json& value)
        {
            return value.dump(2, ' ', false, Json::error_handler_t::replace);
        }
    } // namespace

    void WriteJson(std::ostream& out, const Json& value)
    {
        out << Dumped(value) << '\n';
    }

    void WriteJson(std::ostream& out, Json value, std::string_view key, std::size_t count,
                   const std::function<Json(std::size_t)>& item)
    {
        // The member stands at the top level, two spaces in: its items four, its closing bracket two.
        constexpr std::string_view Placeholder = "\\u0001items\\u0001"; // as the dump writes the value
        value[std::string(key)] = "\x01items\x01";
        const std::string text = Dumped(value);
        const std::string member = fmt::format("\n  \"{}\": \"{}\"", key, Placeholder);
        const std::size_t at = text.find(member);
        out << text.substr(0, at) << fmt::format("\n  \"{}\": ", key);
        if (count == 0)
            out << "[]";
        else
            for (std::size_t i = 0; i < count; ++i)
            {
                std::string element = Dumped(item(i));
                for (std::size_t line = 0; (line = element.find('\n', line)) != std::string::npos; line += 5)
                    element.replace(line, 1, "\n    ");
                out << (i == 0 ? "[\n    " : ",\n    ") << element << (i + 1 == count ? "\n  ]" : "");
            }
        out << text.substr(at + member.size()) << '\n';
    }
} // namespace NimbravaCheck
