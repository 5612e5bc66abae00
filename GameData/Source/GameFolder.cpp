#include "GameData/GameFolder.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include "GameData/Text.h"

namespace GameData
{
    namespace
    {
        char Lower(char c) noexcept
        {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }

        // ASCII letters ignoring case, every other byte exactly: how the names of the game's files are
        // compared here.
        bool SameName(std::string_view a, std::string_view b) noexcept
        {
            if (a.size() != b.size())
                return false;
            for (std::size_t i = 0; i < a.size(); ++i)
                if (Lower(a[i]) != Lower(b[i]))
                    return false;
            return true;
        }

        std::string Trim(std::string_view text)
        {
            const auto first = text.find_first_not_of(" \t\r");
            if (first == std::string_view::npos)
                return {};
            return std::string(text.substr(first, text.find_last_not_of(" \t\r") - first + 1));
        }

        std::filesystem::path Utf8Path(std::string_view utf8)
        {
            return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
        }

        std::string Utf8Name(const std::filesystem::path& path)
        {
            const auto text = path.filename().u8string();
            return {text.begin(), text.end()};
        }

        // sLanguage of [General] in Skyrim.ini; English when there is none.
        std::string LanguageOf(const std::filesystem::path& folder)
        {
            const auto ini = GameFolder::Find(folder, "Skyrim.ini");
            std::ifstream stream(ini ? *ini : std::filesystem::path());
            std::string section;
            for (std::string line; std::getline(stream, line);)
            {
                const std::string text = Trim(line);
                if (text.starts_with('[') && text.find(']') != std::string::npos)
                    section = text.substr(1, text.find(']') - 1);
                else if (const auto equals = text.find('='); equals != std::string::npos &&
                                                             SameName(section, "General") &&
                                                             SameName(Trim(text.substr(0, equals)), "sLanguage"))
                {
                    const std::string language = Trim(text.substr(equals + 1));
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
                if (SameName(Utf8Name(it->path()), name))
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
        if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != '\0')
            localFolders.emplace_back(local);
        // A prefix's users, each with its own AppData: a Wine prefix, and Steam's Proton prefix for the
        // game (app 489830), which lies in steamapps/compatdata beside steamapps/common.
        std::vector<std::filesystem::path> prefixes;
        if (const char* prefix = std::getenv("WINEPREFIX"); prefix != nullptr && *prefix != '\0')
            prefixes.emplace_back(prefix);
        const auto absolute = std::filesystem::absolute(m_folder).lexically_normal();
        for (auto at = absolute; at.has_parent_path() && at != at.parent_path(); at = at.parent_path())
            if (SameName(Utf8Name(at), "common") && SameName(Utf8Name(at.parent_path()), "steamapps"))
            {
                prefixes.push_back(at.parent_path() / "compatdata" / "489830" / "pfx");
                break;
            }
        std::error_code error;
        for (const auto& prefix : prefixes)
            if (const auto users = Find(prefix, "drive_c/users"))
                for (std::filesystem::directory_iterator it(*users, error), last; !error && it != last;
                     it.increment(error))
                    if (const auto local = Find(it->path(), "AppData/Local"))
                        localFolders.push_back(*local);

        std::vector<std::filesystem::path> candidates;
        for (const auto& local : localFolders)
            for (const auto edition : editions)
                if (const auto file = Find(local, std::string(edition) + "/Plugins.txt"))
                    candidates.push_back(*file);
        return candidates;
    }
} // namespace GameData
