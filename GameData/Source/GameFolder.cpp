#include "GameData/GameFolder.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "Orvel/Ascii.h"

namespace GameData
{
    namespace
    {
        // ASCII letters ignoring case, every other byte exactly: how the names of the game's files are
        // compared here.
        using Orvel::EqualIgnoringCase;

        std::string Utf8Name(const std::filesystem::path& path)
        {
            return Utf8Text(path.filename());
        }

        // sLanguage of [General] in Skyrim.ini; English when there is none.
        std::string LanguageOf(const std::filesystem::path& folder)
        {
            const auto ini = GameFolder::Find(folder, "Skyrim.ini");
            std::istringstream stream;
            try
            {
                stream.str(ini ? ReadWholeFile(*ini) : "");
            }
            catch (const FileReadError&)
            {
            }
            std::string section;
            for (std::string line; std::getline(stream, line);)
            {
                const std::string text(Orvel::Trimmed(line));
                if (text.starts_with('[') && text.find(']') != std::string::npos)
                    section = text.substr(1, text.find(']') - 1);
                else if (const auto equals = text.find('=');
                         equals != std::string::npos && EqualIgnoringCase(section, "General") &&
                         EqualIgnoringCase(Orvel::Trimmed(std::string_view(text).substr(0, equals)), "sLanguage"))
                {
                    const std::string language(Orvel::Trimmed(std::string_view(text).substr(equals + 1)));
                    if (!language.empty())
                        return language;
                }
            }
            return "English";
        }
    } // namespace

    GameFolder::GameFolder(std::filesystem::path folder) : m_folder(std::move(folder)), m_language(LanguageOf(m_folder))
    {
    }

    std::optional<std::filesystem::path> GameFolder::Find(const std::filesystem::path& base, std::string_view relative)
    {
        std::filesystem::path path = base;
        std::error_code error;
        for (std::size_t at = 0; at <= relative.size();)
        {
            const std::size_t end = std::min(relative.find_first_of("/\\", at), relative.size());
            const std::string name = Cp1252ToUtf8(relative.substr(at, end - at));
            at = end + 1;
            if (name.empty())
                continue;
            const auto exact = path / Utf8Path(name);
            if (std::filesystem::exists(exact, error))
            {
                path = exact;
                continue;
            }
            std::optional<std::filesystem::path> found;
            for (std::filesystem::directory_iterator it(path, error), last; !error && it != last; it.increment(error))
                if (EqualIgnoringCase(Utf8Name(it->path()), name))
                {
                    found = it->path();
                    break;
                }
            if (!found)
                return std::nullopt;
            path = *found;
        }
        return path;
    }

    std::vector<std::filesystem::path> GameFolder::PluginsTxtCandidates() const
    {
        constexpr std::string_view editions[] = {"Skyrim Special Edition", "Skyrim Special Edition GOG",
                                                 "Skyrim Special Edition EPIC", "Skyrim Special Edition MS"};
        std::vector<std::filesystem::path> localFolders;
#ifdef _WIN32
        // The environment in UTF-16: a user's folder may hold characters of any code page.
        if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0')
            localFolders.emplace_back(local);
#else
        if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != '\0')
            localFolders.emplace_back(local);
#endif
        // Wine prefixes, each user of each with its own local application data, most likely first: the
        // prefix the game lies in (Lutris, Heroic: <prefix>/drive_c/...), Steam's Proton prefix for the
        // game (app 489830, in steamapps/compatdata beside steamapps/common), $WINEPREFIX, ~/.wine.
        std::vector<std::filesystem::path> prefixes;
        const auto absolute = std::filesystem::absolute(m_folder).lexically_normal();
        for (auto at = absolute; at.has_parent_path() && at != at.parent_path(); at = at.parent_path())
            if (EqualIgnoringCase(Utf8Name(at), "drive_c"))
            {
                prefixes.push_back(at.parent_path());
                break;
            }
        for (auto at = absolute; at.has_parent_path() && at != at.parent_path(); at = at.parent_path())
            if (EqualIgnoringCase(Utf8Name(at), "common") && EqualIgnoringCase(Utf8Name(at.parent_path()), "steamapps"))
            {
                prefixes.push_back(at.parent_path() / "compatdata" / "489830" / "pfx");
                break;
            }
        if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0')
            prefixes.emplace_back(prefix);
        else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
            prefixes.push_back(std::filesystem::path(home) / ".wine");
        std::error_code error;
        for (const auto& prefix : prefixes)
            if (const auto users = Find(prefix, "drive_c/users"))
                for (std::filesystem::directory_iterator it(*users, error), last; !error && it != last;
                     it.increment(error))
                    for (const char* folder : {"AppData/Local", "Local Settings/Application Data"})
                        if (const auto local = Find(it->path(), folder))
                            localFolders.push_back(*local);

        std::vector<std::filesystem::path> candidates;
        for (const auto& local : localFolders)
            for (const auto edition : editions)
                if (const auto file = Find(local, std::string(edition) + "/Plugins.txt"))
                    if (std::ranges::none_of(candidates, [&](const auto& other) {
                            return std::filesystem::equivalent(other, *file, error);
                        }))
                        candidates.push_back(*file);
        return candidates;
    }
} // namespace GameData
