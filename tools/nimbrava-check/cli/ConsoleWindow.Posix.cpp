#include "cli/ConsoleWindow.h"

namespace NimbravaCheck::Cli
{
    ConsoleWindow::ConsoleWindow() noexcept = default;
    ConsoleWindow::~ConsoleWindow() = default;
} // namespace NimbravaCheck::Cli
