#pragma once
// The console for a checker that Explorer started (a double click, or a folder dropped on the .exe):
// while it lives, names and texts are written as UTF-8, and the window, which closes with the
// checker, waits at its end until the player has read it. Outside Windows it does nothing.

namespace NimbravaCheck::Cli
{
    class ConsoleWindow
    {
    public:
        ConsoleWindow() noexcept;
        ~ConsoleWindow();
        ConsoleWindow(const ConsoleWindow&) = delete;
        ConsoleWindow& operator=(const ConsoleWindow&) = delete;

    private:
        unsigned m_codePage = 0; // the console's own, given back at the end
    };
} // namespace NimbravaCheck::Cli
