// nimbrava-check: tells a player what the plugin will do with their files (cli/Run.h).

#include <string>
#include <vector>
#include "cli/Run.h"

#ifdef _WIN32
int wmain(int argc, wchar_t** argv)
{
    return NimbravaCheck::Cli::RunWide(argc, argv);
}
#else
int main(int argc, char** argv)
{
    return NimbravaCheck::Cli::Run(argc > 0 ? argv[0] : "", std::vector<std::string>(argv + 1, argv + argc));
}
#endif
