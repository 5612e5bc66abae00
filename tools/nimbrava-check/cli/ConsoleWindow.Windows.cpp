#include <iostream>
#include <windows.h>
#include "cli/ConsoleWindow.h"

namespace NimbravaCheck::Cli
{
    namespace
    {
        // A console of the checker's own that a person reads and types in. A script, a tool reading the
        // output, or a redirection has no console on one of the two; under Wine the Unix terminal that
        // ran it is no process of the console, and nobody waits for the prompt.
        bool OwnWindow() noexcept
        {
            DWORD processes[2];
            DWORD mode = 0;
            return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
                   GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
                   GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
        }
    } // namespace

    // The console's own code page comes back at the end, for the window of a player who ran the checker
    // from cmd.
    ConsoleWindow::ConsoleWindow() noexcept : m_codePage(GetConsoleOutputCP())
    {
        SetConsoleOutputCP(CP_UTF8);
    }

    ConsoleWindow::~ConsoleWindow()
    {
        if (OwnWindow())
        {
            std::cout << "\nPress Enter to close this window." << std::flush;
            std::cin.get();
        }
        if (m_codePage != 0)
            SetConsoleOutputCP(m_codePage);
    }
} // namespace NimbravaCheck::Cli
