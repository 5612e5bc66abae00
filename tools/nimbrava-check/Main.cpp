// nimbrava-check: tells a player what the plugin will do with their files.

#include <charconv>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "Commands.h"
#include "GameData/PluginFile.h"
#include "GameData/Text.h"
#include "GameText.h"
#include "Host/Version.h"
#include "Orvel/Ascii.h"
#include "Orvel/Parsing.h"
#ifdef _WIN32
#include <windows.h>
#include "Files/CodePage.h"
#endif

namespace
{
    constexpr std::string_view Usage = R"(Usage:
  nimbrava-check [--json] [ENBSERIES]
      Reads ENBSERIES/_nimbrava.ini as the plugin does (ENBSERIES may also name the file itself; with
      no argument, the enbseries folder of the current folder) and lists its weatherlist sections in
      priority order (IDs, file, whether the file exists), then every problem: names and keys the
      plugin does not see, ID lists that never match, shadowed IDs, missing files, ignored lines, and
      files saved in encodings the plugin does not read as meant (UTF-16, UTF-8).
      With the game's data, also the worldspaces each ID names, IDs that name none, IDs that several
      worldspaces share, IDs that move with the load order, and the worldspaces no section lists.
  nimbrava-check [--json] [ENBSERIES] --worldspace ID[,ID...] [ID...]
      The plugin's decision for each worldspace (its ID, hexadecimal as ENB reports it, or with the
      game's data its editor ID; a word that reads as hexadecimal, such as Cafe, is taken for an ID),
      the log lines it writes for it, and why: for an ID no section takes, the lines that look as if
      they meant it; for one whose section falls back, the reason. Exits 1 when one of them ends in
      a Warning or Error line.
  nimbrava-check [--json] --worldspaces GAME_FOLDER
      Every worldspace of the game's active load order: the ID "_nimbrava.ini" lists it by, its form
      ID, editor ID and name, the plugin that adds it, and whether its ID moves with the load order
      (a light plugin's).
  nimbrava-check --init ENBSERIES
      Writes a commented starter ENBSERIES/_nimbrava.ini that lists the worldspaces of the load
      order; refuses when the file exists.
  nimbrava-check [--json] [--verbose] --module D3D11_DLL
      Whether Nimbrava can work with this d3d11.dll, in one line; --verbose adds the import slots.
  nimbrava-check --help | -h | /?      this text
  nimbrava-check --version             the checker's version

Options may stand in any order.

The game's data: GAME_FOLDER is the folder of the game's executable, which holds Data (an enbseries
folder given instead means the folder above it). Commands on an enbseries folder use the game whose
Data lies beside it, or --game GAME_FOLDER. The load order is read from Plugins.txt: the one
--plugins-txt FILE names (a mod manager's profile, say), else where the game keeps it (%LOCALAPPDATA%,
inside $WINEPREFIX, or Steam's Proton prefix beside the game's steamapps folder); without one, the
base game's masters and Skyrim.ccc's plugins only. Names of localized plugins come from loose
Data/Strings tables in the language of the game's Skyrim.ini; the base game's own names are inside its
BSA archives, which are not read here, so its worldspaces show their editor IDs only. A record that
claims more than 16 MiB (or a compressed one that inflates to more) is taken for a damaged plugin.

FileNames are Windows paths in the game's ANSI code page. Outside Windows, a relative name starts at
the enbseries directory, names match ignoring case (as under Wine and Proton), Z: maps to '/', and
another drive maps through $WINEPREFIX/dosdevices when that is set; other names are reported as not
checkable. Names outside ASCII need the game's code page: --code-page N (874, 932, 936, 949, 950 or
1250 to 1258, built into the checker; 1252 for Western European Windows, 1251 for Cyrillic). The
.exe uses the code page Windows gives it, as the plugin does.

Exit codes: 0 all good, 1 problems found, 2 bad usage or unreadable input.
)";

    int BadUsage(std::string_view why)
    {
        std::cerr << "nimbrava-check: " << why << "\n(see nimbrava-check --help)\n";
        return NimbravaCheck::ExitUnreadable;
    }

    // The value of an option that takes one: the next argument, once.
    bool TakeValue(const std::vector<std::string_view>& args, std::size_t& i, std::optional<std::string_view>& value)
    {
        if (value || i + 1 == args.size())
            return false;
        value = args[++i];
        return true;
    }

#ifdef _WIN32
    // The console for a checker that Explorer started (a double click, or a folder dropped on the
    // .exe): names and texts are written as UTF-8, and the window, which closes with the checker, waits
    // until the player has read it. The console's own code page comes back at the end, for the window
    // of a player who ran the checker from cmd.
    class ConsoleWindow
    {
    public:
        ConsoleWindow() noexcept : m_codePage(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
        ~ConsoleWindow()
        {
            if (OwnWindow())
            {
                std::cout << "\nPress Enter to close this window." << std::flush;
                std::cin.get();
            }
            if (m_codePage != 0)
                SetConsoleOutputCP(m_codePage);
        }
        ConsoleWindow(const ConsoleWindow&) = delete;
        ConsoleWindow& operator=(const ConsoleWindow&) = delete;

    private:
        // A console of the checker's own that a person reads and types in. A script, a tool reading the
        // output, or a redirection has no console on one of the two; under Wine the Unix terminal that
        // ran it is no process of the console, and nobody waits for the prompt.
        static bool OwnWindow() noexcept
        {
            DWORD processes[2];
            DWORD mode = 0;
            return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) &&
                   GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) &&
                   GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
        }

        UINT m_codePage;
    };
#endif

    bool Exists(std::string_view arg)
    {
        std::error_code error;
        return std::filesystem::exists(GameData::Utf8Path(arg), error);
    }

    // Whether an argument after --worldspace's IDs is the configuration: an existing folder or file,
    // unless it reads as a worldspace ID and names no path (a folder called "800" beside the checker
    // does not turn the ID 800 into a configuration).
    bool NamesConfiguration(std::string_view arg)
    {
        if (!Exists(arg))
            return false;
        const bool pathLike = arg.find_first_of("/\\:") != std::string_view::npos ||
                              (arg.size() > 4 && Orvel::EqualIgnoringCase(arg.substr(arg.size() - 4), ".ini"));
        std::size_t end = 0;
        const bool readsAsId = Orvel::ParseHexNumber(arg, end) && end == arg.size();
        return pathLike || !readsAsId;
    }

    int Run(const std::vector<std::string>& arguments)
    {
        static_assert(GameData::MaximumRecordSize == 16u << 20, "--help gives the limit");
#ifdef _WIN32
        const ConsoleWindow console;
#endif
        try
        {
            const std::vector<std::string_view> args(arguments.begin(), arguments.end());
            bool json = false;
            bool verbose = false;
            std::optional<std::string_view> module, gameList, init, game, pluginsTxt, codePage, configuration,
                idAndPath;
            std::optional<std::vector<std::string>> worldspaces;
            for (std::size_t i = 0; i < args.size(); ++i)
            {
                const std::string_view arg = args[i];
                if (arg == "--help" || arg == "-h" || arg == "/?")
                {
                    std::cout << Usage;
                    return NimbravaCheck::ExitGood;
                }
                if (arg == "--version")
                {
                    std::cout << "nimbrava-check " NIMBRAVA_VERSION_TEXT "\n";
                    return NimbravaCheck::ExitGood;
                }
                if (arg == "--json")
                    json = true;
                else if (arg == "--verbose")
                    verbose = true;
                else if (arg == "--module")
                {
                    if (!TakeValue(args, i, module))
                        return BadUsage("--module takes one path to a d3d11.dll");
                }
                else if (arg == "--worldspaces")
                {
                    if (!TakeValue(args, i, gameList))
                        return BadUsage("--worldspaces takes one game folder");
                }
                else if (arg == "--init")
                {
                    if (!TakeValue(args, i, init))
                        return BadUsage("--init takes one enbseries directory");
                }
                else if (arg == "--game")
                {
                    if (!TakeValue(args, i, game))
                        return BadUsage("--game takes one game folder");
                }
                else if (arg == "--plugins-txt")
                {
                    if (!TakeValue(args, i, pluginsTxt))
                        return BadUsage("--plugins-txt takes one file");
                }
                else if (arg == "--code-page")
                {
                    if (!TakeValue(args, i, codePage))
                        return BadUsage("--code-page takes the number of the game's ANSI code page");
                }
                else if (arg == "--worldspace")
                {
                    if (worldspaces)
                        return BadUsage("--worldspace is given twice");
                    worldspaces.emplace();
                    // IDs, comma-separated or not, up to the next option; and up to the configuration's
                    // folder or file when it comes after them.
                    for (; i + 1 < args.size() && !args[i + 1].starts_with("-"); ++i)
                    {
                        if (!configuration && NamesConfiguration(args[i + 1]))
                            break;
                        if (!configuration && !idAndPath && Exists(args[i + 1]))
                            idAndPath = args[i + 1];
                        worldspaces->emplace_back(args[i + 1]);
                    }
                    if (worldspaces->empty())
                        return BadUsage("--worldspace takes one or more IDs");
                }
                else if (arg.starts_with("-") && arg.size() > 1)
                    return BadUsage("unknown option " + std::string(arg));
                else if (configuration)
                    return BadUsage("one enbseries directory (or _nimbrava.ini) at a time");
                else
                    configuration = arg;
            }

            if (codePage)
            {
#ifdef _WIN32
                return BadUsage("--code-page is for the checker outside Windows: the .exe reads names in the code "
                                "page Windows gives the game, as the plugin does");
#else
                unsigned number = 0;
                const auto [end, error] =
                    std::from_chars(codePage->data(), codePage->data() + codePage->size(), number);
                if (error != std::errc() || end != codePage->data() + codePage->size() ||
                    !NimbravaCheck::SetGameCodePage(number))
                    return BadUsage("--code-page takes an ANSI code page: 874, 932, 936, 949, 950 or 1250 to 1258");
#endif
            }

            const NimbravaCheck::Output output{std::cout, std::cerr, json, verbose};
            NimbravaCheck::GameOptions options;
            if (game)
                options.Game = GameData::Utf8Path(*game);
            if (pluginsTxt)
                options.PluginsTxt = GameData::Utf8Path(*pluginsTxt);
            if (module)
            {
                if (configuration || worldspaces || gameList || init || game || pluginsTxt)
                    return BadUsage("--module stands alone");
                return NimbravaCheck::RunModule(GameData::Utf8Path(*module), output);
            }
            if (gameList)
            {
                if (configuration || worldspaces || init || game)
                    return BadUsage("--worldspaces takes only --plugins-txt and --json beside it");
                return NimbravaCheck::RunWorldspaceList(GameData::Utf8Path(*gameList), options.PluginsTxt, output);
            }
            if (init)
            {
                if (configuration || worldspaces || json)
                    return BadUsage("--init takes only --game and --plugins-txt beside it");
                return NimbravaCheck::RunInit(GameData::Utf8Path(*init), options, output);
            }
            // An ID that is also a folder here, with no configuration after it: which one was meant
            // cannot be told, and guessing would check another file than the player's.
            if (!configuration && idAndPath)
                return BadUsage("'" + std::string(*idAndPath) +
                                "' after --worldspace is taken for a worldspace ID, but it names a folder or file " +
                                "here too: for that configuration write ./" + std::string(*idAndPath) +
                                ", or give the configuration after the IDs");
            // Started in the game folder without a word: its enbseries folder.
            std::error_code error;
            if (!configuration && !std::filesystem::is_directory("enbseries", error))
                return BadUsage("no enbseries directory given, and there is none here");
            const std::filesystem::path checked = GameData::Utf8Path(configuration ? *configuration : "enbseries");
            if (worldspaces)
                return NimbravaCheck::RunWorldspaces(checked, *worldspaces, options, output);
            return NimbravaCheck::RunConfiguration(checked, options, output);
        }
        catch (const std::exception& error)
        {
            std::cout.flush();
            std::cerr << "nimbrava-check: " << error.what() << "\n";
            return NimbravaCheck::ExitUnreadable;
        }
    } // Run
} // namespace

#ifdef _WIN32
// The arguments as Windows gives them, UTF-16, taken as UTF-8: the narrow ones are in the ANSI code
// page, which holds no name outside it (a Cyrillic user name under a Western Windows, say).
int wmain(int argc, wchar_t** argv)
{
    std::vector<std::string> arguments;
    try
    {
        for (int i = 1; i < argc; ++i)
            arguments.push_back(Nimbrava::WideToNarrow(argv[i], CP_UTF8));
    }
    catch (const std::exception& error)
    {
        return BadUsage(std::string("an argument is no text: ") + error.what());
    }
    return Run(arguments);
}
#else
int main(int argc, char** argv)
{
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
