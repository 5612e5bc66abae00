#include <exception>
#include <windows.h>
#include "Files/CodePage.h"
#include "cli/Run.h"

namespace NimbravaCheck::Cli
{
    int RunWide(int argc, wchar_t** argv)
    {
        std::string program;
        std::vector<std::string> arguments;
        try
        {
            if (argc > 0)
                program = Nimbrava::WideToNarrow(argv[0], CP_UTF8);
            for (int i = 1; i < argc; ++i)
                arguments.push_back(Nimbrava::WideToNarrow(argv[i], CP_UTF8));
        }
        catch (const std::exception& error)
        {
            return BadUsage(std::string("an argument is no text: ") + error.what());
        }
        return Run(program, arguments);
    }
} // namespace NimbravaCheck::Cli
