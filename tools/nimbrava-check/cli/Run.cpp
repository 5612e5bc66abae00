#include "cli/Run.h"

#include <exception>
#include <iostream>
#include "cli/CommandLine.h"
#include "cli/ConsoleWindow.h"
#include "text/ProgramName.h"

namespace NimbravaCheck::Cli
{
    int BadUsage(std::string_view why)
    {
        WriteError(std::cerr, why);
        std::cerr << "(see " << ProgramName() << " " << OptionOf(OptionId::Help).Spelling << ")\n";
        return ExitUnreadable;
    }

    int Run(std::string_view program, const std::vector<std::string>& arguments)
    {
        SetProgramName(program);
        const ConsoleWindow console;
        try
        {
            const CommandLine line = ReadCommandLine(arguments);
            return line.Command->Run(line.Asked, {std::cout, std::cerr, line.Json, line.Verbose});
        }
        catch (const UsageError& error)
        {
            return BadUsage(error.what());
        }
        catch (const std::exception& error)
        {
            std::cout.flush();
            WriteError(std::cerr, error.what());
            return ExitUnreadable;
        }
    }
} // namespace NimbravaCheck::Cli
