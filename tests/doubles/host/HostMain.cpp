// Stands in for the game's plugin host: loads Nimbrava.dll with the real loader, reports what it
// found in it, calls its entry points as the host does and shows the log the plugin wrote.
//
//   nimbrava-host [--dll PATH] [--logs DIR] [--no-enb-loading-point] [--fail-construct-string N]
//
// --logs sets the directory the host gives plugins for their logs (default: <build>/logs).

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <windows.h>
#include "ModuleInfo.h"
#include "PluginHost.h"
#include "YarrinControl.h"

namespace
{
    struct Options
    {
        std::wstring Dll;
        std::filesystem::path Logs;
        bool EnbLoadingPoint = true;
        int FailConstructString = 0;
    };

    Options ParseOptions(int argc, wchar_t** argv)
    {
        Options options;
        options.Dll = NimbravaTest::ProgramDirectory() + L"Nimbrava.dll";
        for (int i = 1; i < argc; ++i)
        {
            const std::wstring arg = argv[i];
            if (arg == L"--dll" && i + 1 < argc)
                options.Dll = argv[++i];
            else if (arg == L"--logs" && i + 1 < argc)
                options.Logs = argv[++i];
            else if (arg == L"--no-enb-loading-point")
                options.EnbLoadingPoint = false;
            else if (arg == L"--fail-construct-string" && i + 1 < argc)
                options.FailConstructString = std::stoi(argv[++i]);
            else
                throw std::runtime_error("unknown option");
        }
        return options;
    }

    void ShowModule(const std::wstring& dll, HMODULE module)
    {
        std::printf("Loaded %ls\n", dll.c_str());
        if (const auto version = NimbravaTest::ReadVersionResource(dll))
        {
            std::printf("Version resource: file %u.%u.%u.%u, product %u.%u.%u.%u\n", version->FileVersion[0],
                        version->FileVersion[1], version->FileVersion[2], version->FileVersion[3],
                        version->ProductVersion[0], version->ProductVersion[1], version->ProductVersion[2],
                        version->ProductVersion[3]);
            for (const auto& [key, value] : version->Strings)
                std::printf("  %-16s %s\n", key.c_str(), value.c_str());
        }
        else
            std::printf("Version resource: none\n");
        const auto exports = NimbravaTest::ExportedNames(module);
        std::printf("Exports (%zu):\n", exports.size());
        for (const auto& name : exports)
            std::printf("  %s\n", name.c_str());
    }

    void ShowLog(const std::filesystem::path& file)
    {
        std::ifstream log(file);
        if (!log)
        {
            std::printf("\nNo %ls\n", file.filename().c_str());
            return;
        }
        std::printf("\nNimbrava.log (%ls):\n", file.c_str());
        std::string line;
        while (std::getline(log, line))
            std::printf("  | %s\n", line.c_str());
    }
} // namespace

int wmain(int argc, wchar_t** argv)
{
    try
    {
        Options options = ParseOptions(argc, argv);
        if (options.Logs.empty())
        {
            options.Logs = std::filesystem::path(NimbravaTest::ProgramDirectory()) / L".." / L"logs";
            std::filesystem::create_directories(options.Logs);
        }
        const auto logs = std::filesystem::absolute(options.Logs);
        YarrinTest_Reset(logs.c_str());
        YarrinTest_FailConstructStringAtCall(options.FailConstructString);

        NimbravaTest::PluginHost host(options.Dll);
        ShowModule(options.Dll, host.Module());

        std::printf("\nYarrinInitialize (ENB loading point %s)\n", options.EnbLoadingPoint ? "offered" : "not offered");
        int status = 0;
        try
        {
            const auto result = host.Initialize(NimbravaTest::PluginHost::MakeRuntimeInfo(options.EnbLoadingPoint));
            const auto mismatches = NimbravaTest::RequirementsMismatches(result);
            std::printf("  requirements record: %s\n", mismatches.empty() ? "as expected" : "WRONG");
            for (const auto& mismatch : mismatches)
                std::printf("    %s\n", mismatch.c_str());
            std::printf("  display name \"%s\", author \"%s\"\n", NimbravaTest::HostStringAt(result, 40).c_str(),
                        NimbravaTest::HostStringAt(result, 64).c_str());
            status = mismatches.empty() ? 0 : 1;
        }
        catch (const std::exception& e)
        {
            std::printf("  failed: %s\n", e.what());
            status = 2;
        }

        host.Unload(); // closes the log
        std::printf("Unloaded.\n");
        ShowLog(logs / L"Nimbrava.log");
        return status;
    }
    catch (const std::exception& e)
    {
        std::printf("host: %s\n", e.what());
        return 1;
    }
}
