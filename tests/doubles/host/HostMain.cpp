// Stands in for the game's plugin host: loads Nimbrava.dll with the real loader, reports what it
// found in it, calls its entry points as the host does, walks the player through worldspaces with
// the stand-in ENB (d3d11.dll beside this program) and shows the log the plugin wrote.
//
//   nimbrava-host [--dll PATH] [--logs DIR] [--no-enb-loading-point] [--fail-construct-string N]
//                 [--walk ID,ID,...] [--show-section]
//
// --logs sets the directory the host gives plugins for their logs (default: <build>/logs).
// --walk: for each identifier (hexadecimal, 32 bits, "0x" optional) ENB reports that worldspace and
// calls the plugin's callback with type 2; one line per step says which weather list file ENB read
// when it reloaded, or "-". The game folder is the working directory (its "enbseries" is ENB's).
// --show-section adds the first entry of the section ENB read with GetPrivateProfileSectionA.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>
#include <windows.h>
#include "EnbControl.h"
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
        std::vector<std::uint32_t> Walk;
        bool ShowSection = false;
    };

    // "3C,0x0A00003C,0": hexadecimal 32-bit identifiers. Throws std::runtime_error naming a bad one.
    std::vector<std::uint32_t> ParseWalk(const std::wstring& list)
    {
        std::vector<std::uint32_t> ids;
        std::wstringstream items(list);
        for (std::wstring item; std::getline(items, item, L',');)
        {
            std::wstring digits = item;
            if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X'))
                digits = digits.substr(2);
            if (digits.empty() || digits.size() > 8 ||
                digits.find_first_not_of(L"0123456789abcdefABCDEF") != std::wstring::npos)
                throw std::runtime_error("not a 32-bit hexadecimal worldspace identifier: '" +
                                         std::string(item.begin(), item.end()) + "'");
            ids.push_back(static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16)));
        }
        return ids;
    }

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
            else if (arg == L"--walk" && i + 1 < argc)
                options.Walk = ParseWalk(argv[++i]);
            else if (arg == L"--show-section")
                options.ShowSection = true;
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

    // The file a reload read, without the "\\?\" prefix of a final path.
    std::wstring ShownPath(const EnbTestRead& read)
    {
        if (read.OpenError != 0)
            return L"(open failed, error " + std::to_wstring(read.OpenError) + L")";
        std::wstring path = read.OpenedPath;
        return path.starts_with(L"\\\\?\\") ? path.substr(4) : path;
    }

    void Walk(const std::vector<std::uint32_t>& ids, bool showSection)
    {
        std::printf("\nWalk (%zu steps): step, worldspace, the weather list ENB read\n", ids.size());
        for (std::size_t step = 0; step < ids.size(); ++step)
        {
            EnbTest_SetWorldspace(ids[step]);
            const auto reloads = EnbTest_DirtyHackCalls();
            EnbTest_FireCallback(2);
            EnbTestRead read;
            const bool reloaded = EnbTest_DirtyHackCalls() != reloads && EnbTest_LastReload(&read);
            std::printf("  %3zu  %8X  %ls", step + 1, ids[step], reloaded ? ShownPath(read).c_str() : L"-");
            if (showSection && reloaded)
                std::printf("  [%s]", read.SectionLength > 0 ? read.Section : "");
            std::printf("\n");
        }
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

            std::printf("YarrinMain\n");
            try
            {
                std::printf("  %s\n", NimbravaTest::DescribeMainResult(
                                          host.Main(NimbravaTest::PluginHost::MakeRuntimeInfo(options.EnbLoadingPoint)))
                                          .c_str());
            }
            catch (const std::exception& e)
            {
                std::printf("  failed: %s\n", e.what());
            }
            Walk(options.Walk, options.ShowSection);
        }
        catch (const std::exception& e)
        {
            std::printf("  failed: %s\n", e.what());
            status = 2;
        }

        EnbTest_Restart(); // ENB forgets the plugin's callback and imports before it unloads
        host.Unload();     // closes the log
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
