// Stands in for the game's plugin host: loads Nimbrava.dll with the real loader, calls its entry
// points as the host does and walks the player through worldspaces with the stand-in ENB (d3d11.dll
// beside this program), in the game folder that is the working directory; then shows the log.
//
//   nimbrava-host [--logs DIR] [--no-enb-loading-point] [--walk ID,ID,...]
//   nimbrava-host --play FILE
//   nimbrava-host --scenario FILE
//   nimbrava-host --walks CHECKER FILE...
//
// --logs: the folder the host gives the plugin for its log (default: <build>/logs). --walk: for each
// identifier (hexadecimal, "0x" optional) ENB reports that worldspace and calls the plugin's callback
// with type 2; its line says which weather list ENB then read ("-": no reload).
// --play plays a script of tests/data/playthrough as a test, in a game folder of its own in a
// temporary folder, and prints every mismatch; the exit code is then 1. --scenario plays it so in
// the game folder that is the working directory, skipping its "spawn" lines: the script's "spawn"
// starts this program so, in a game folder with another d3d11.dll. --walks plays the walks of each
// script FILE again from the game's start and holds them against CHECKER's --walk (CompareWalks); the
// exit code is 1 when one differs, or when none was compared.

#include <fstream>
#include <iostream>
#include <sstream>
#include "PluginHost.h"
#include "DataFiles.h"

int wmain(int argc, wchar_t** argv)
{
    std::filesystem::path logs = NimbravaTest::ProgramDirectory() + L"..\\logs", script;
    bool spawned = false;
    std::filesystem::path checker;
    std::vector<std::filesystem::path> walked; // --walks: the scripts
    std::string runtime, steps, id;
    for (int i = 1; i < argc; ++i)
    {
        const std::wstring option = argv[i];
        if (option == L"--no-enb-loading-point")
            runtime = " no-enb";
        else if (option == L"--logs" && i + 1 < argc)
            logs = std::filesystem::absolute(argv[++i]);
        else if ((option == L"--play" || option == L"--scenario") && i + 1 < argc)
        {
            script = argv[++i];
            spawned = option == L"--scenario";
        }
        else if (option == L"--walks" && i + 2 < argc)
        {
            checker = std::filesystem::path(NimbravaTest::ProgramDirectory()) / argv[++i];
            while (i + 1 < argc)
                walked.emplace_back(argv[++i]);
        }
        else if (option == L"--walk" && i + 1 < argc)
            for (std::stringstream ids(std::filesystem::path(argv[++i]).string()); std::getline(ids, id, ',');)
                steps += "walk " + id + "\n";
        else
        {
            std::cout << "host: unknown option or one without its value\n";
            return 1;
        }
    }

    if (!walked.empty())
    {
        const NimbravaTest::TempDirectory root;
        std::size_t compared = 0;
        std::vector<std::string> failures;
        for (const auto& file : walked)
            for (auto& failure : NimbravaTest::CompareWalks(file, checker, root.Path(), compared))
                failures.push_back(std::move(failure));
        for (const auto& failure : failures)
            std::cout << failure << "\n";
        std::cout << compared << " walks compared, " << failures.size() << " differ\n";
        return failures.empty() && compared > 0 ? 0 : 1;
    }
    if (script.empty()) // the demo: its log is shown, not checked
    {
        std::istringstream walk("load\ninitialize" + runtime + "\nmain" + runtime + "\n" + steps);
        NimbravaTest::PlayScript(walk, "walk", std::filesystem::current_path(), logs, false, &std::cout);
        std::cout << "\nNimbrava.log:\n" << std::ifstream(logs / "Nimbrava.log").rdbuf();
        return 0;
    }

    std::ifstream file(script);
    if (!file)
    {
        std::cout << "host: cannot read " << script << "\n";
        return 1;
    }
    const NimbravaTest::TempDirectory root;
    const auto failures =
        NimbravaTest::PlayScript(file, script, spawned ? std::filesystem::current_path() : root / "game", {}, spawned);
    for (const auto& failure : failures)
        std::cout << failure << "\n";
    return failures.empty() ? 0 : 1;
}
