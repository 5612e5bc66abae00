// Stands in for the game's plugin host: loads Nimbrava.dll with the real loader, calls its entry
// points as the host does and walks the player through worldspaces with the stand-in ENB (d3d11.dll
// beside this program), in the game folder that is the working directory; then shows the log.
//
//   nimbrava-host [--logs DIR] [--no-enb-loading-point] [--walk ID,ID,...]
//   nimbrava-host --scenario FILE
//
// --logs: the folder the host gives the plugin for its log (default: <build>/logs). --walk: for each
// identifier (hexadecimal, "0x" optional) ENB reports that worldspace and calls the plugin's callback
// with type 2; its line says which weather list ENB then read ("-": no reload). --scenario runs a
// play-through script in this process and prints every mismatch; the exit code is then 1.

#include <cstdio>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include "ModuleInfo.h"
#include "PluginHost.h"

int wmain(int argc, wchar_t** argv)
{
    try
    {
        std::filesystem::path logs = NimbravaTest::ProgramDirectory() + L"..\\logs", scenario;
        std::string runtime, steps, id;
        for (int i = 1; i < argc; ++i)
        {
            const std::wstring option = argv[i];
            if (option == L"--no-enb-loading-point")
                runtime = " no-enb";
            else if (i + 1 == argc)
                throw std::runtime_error("an option without its value");
            else if (option == L"--logs")
                logs = argv[++i];
            else if (option == L"--scenario")
                scenario = argv[++i];
            else if (option == L"--walk")
                for (std::stringstream ids(std::filesystem::path(argv[++i]).string()); std::getline(ids, id, ',');)
                    steps += "walk " + id + "\n";
            else
                throw std::runtime_error("unknown option");
        }
        const bool demo = scenario.empty();
        NimbravaTest::Scenario game(std::filesystem::current_path(), !demo, demo);
        std::vector<std::string> failures;
        if (demo)
        {
            game.Logs = std::filesystem::absolute(logs);
            std::istringstream script("load\ninitialize" + runtime + "\nmain" + runtime + "\n" + steps);
            game.Run(script);
            std::cout << "\nNimbrava.log:\n" << std::ifstream(game.Logs / "Nimbrava.log").rdbuf();
            return 0;
        }
        std::ifstream script(scenario);
        for (const auto& failure : failures = game.Run(script, scenario))
            std::printf("%s\n", failure.c_str());
        return failures.empty() ? 0 : 1;
    }
    catch (const std::exception& e)
    {
        std::printf("host: %s\n", e.what());
        return 1;
    }
}
