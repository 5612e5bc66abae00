#include "GameData/GameFolder.h"

#include <algorithm>
#include <cstdlib>
#include "GameData/NameCase.h"
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "Orvel/Ascii.h"
#include "Orvel/Lines.h"
#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
#endif

namespace GameData
{
    namespace
    {
        // The folders of the game's editions under the player's local application data and documents.
        constexpr std::string_view Editions[] = {"Skyrim Special Edition", "Skyrim Special Edition GOG",
                                                 "Skyrim Special Edition EPIC", "Skyrim Special Edition MS"};

        // Names of the file system's folders, which these searches compare with names of their own.
        bool Named(const std::filesystem::path& path, std::string_view name)
        {
            return NameKeyOfUtf8(Utf8Text(path.filename())) == NameKey(name);
        }

        // sLanguage of [General] in the Skyrim.ini at `ini`; nothing when it sets none. A file that is
        // there but cannot be read is a problem.
        std::optional<std::string> LanguageOf(const std::filesystem::path& ini, std::vector<Problem>& problems)
        {
            std::string text;
            try
            {
                text = ReadWholeFile(ini, MaximumGameTextSize);
            }
            catch (const FileReadError& error)
            {
                problems.emplace_back(UnreadGameFile{Utf8Text(ini), error.what(), UnreadGameFile::Role::Settings});
                return std::nullopt;
            }
            std::string section;
            for (const std::string_view raw : Orvel::Lines(text))
            {
                const std::string_view line = Orvel::Trimmed(raw);
                const std::size_t equals = line.find('=');
                if (line.starts_with('[') && line.find(']') != std::string_view::npos)
                    section = line.substr(1, line.find(']') - 1);
                else if (equals != std::string_view::npos && Orvel::EqualIgnoringCase(section, "General") &&
                         Orvel::EqualIgnoringCase(Orvel::Trimmed(line.substr(0, equals)), "sLanguage"))
                {
                    const std::string_view language = Orvel::Trimmed(line.substr(equals + 1));
                    if (!language.empty())
                        return std::string(language);
                }
            }
            return std::nullopt;
        }

        // The player's documents folder, as Windows knows it (it may have moved, to OneDrive say).
        std::optional<std::filesystem::path> WindowsDocuments()
        {
#ifdef _WIN32
            PWSTR path = nullptr;
            std::optional<std::filesystem::path> documents;
            if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Documents, 0, nullptr, &path)))
                documents.emplace(path);
            CoTaskMemFree(path);
            return documents;
#else
            return std::nullopt;
#endif
        }
    } // namespace

    GameFolder::GameFolder(std::filesystem::path folder, Overlay overlay)
        : m_folder(std::move(folder)), m_overlay(std::move(overlay))
    {
        std::vector<std::filesystem::path> documents, inis;
        if (m_overlay.IniFolder) // the mod manager's own copies stand in for the player's
        {
            if (auto ini = Find(*m_overlay.IniFolder, "Skyrim.ini"))
                inis.push_back(std::move(*ini));
        }
        else if (auto windows = WindowsDocuments())
            documents.push_back(std::move(*windows));
        for (const auto& user : m_overlay.IniFolder ? std::vector<std::filesystem::path>{} : PrefixUsers())
            for (const char* name : {"Documents", "My Documents"})
                if (auto found = Find(user, name))
                    documents.push_back(std::move(*found));
        for (const auto& player : documents)
            for (const auto edition : Editions)
                if (auto ini = Find(player, "My Games/" + std::string(edition) + "/Skyrim.ini"))
                    inis.push_back(std::move(*ini));
        // The player's own first: the game reads the game folder's as defaults.
        if (auto own = Find(m_folder, "Skyrim.ini"))
            inis.push_back(std::move(*own));
        for (const auto& ini : inis)
            if (auto language = LanguageOf(ini, m_problems))
            {
                m_language = std::move(*language);
                return;
            }
        m_language = "English";
    }

    std::optional<std::filesystem::path> GameFolder::FindData(std::string_view relative) const
    {
        for (const auto& layer : m_overlay.DataLayers)
            if (auto found = Find(layer, relative))
                return found;
        return Find(Data(), relative);
    }

    std::optional<std::filesystem::path> GameFolder::Find(const std::filesystem::path& base, std::string_view relative)
    {
        std::filesystem::path path = base;
        std::error_code error;
        for (std::size_t at = 0; at <= relative.size();)
        {
            const std::size_t end = std::min(relative.find_first_of("/\\", at), relative.size());
            const std::string_view name = relative.substr(at, end - at);
            at = end + 1;
            if (name.empty())
                continue;
            const auto exact = path / Utf8Path(Cp1252ToUtf8(name));
            if (std::filesystem::exists(exact, error))
            {
                path = exact;
                continue;
            }
            const std::u16string key = NameKey(name);
            std::optional<std::filesystem::path> found;
            for (std::filesystem::directory_iterator it(path, error), last; !error && it != last; it.increment(error))
                if (NameKeyOfUtf8(Utf8Text(it->path().filename())) == key)
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

    std::vector<std::filesystem::path> GameFolder::Prefixes() const
    {
        // The prefix the game lies in (Lutris, Heroic: <prefix>/drive_c/...), Steam's Proton prefix for
        // the game (app 489830, in steamapps/compatdata beside steamapps/common), $WINEPREFIX, ~/.wine.
        std::vector<std::filesystem::path> prefixes;
        const auto absolute = std::filesystem::absolute(m_folder).lexically_normal();
        for (auto at = absolute; at.has_parent_path() && at != at.parent_path(); at = at.parent_path())
            if (Named(at, "drive_c"))
            {
                prefixes.push_back(at.parent_path());
                break;
            }
        for (auto at = absolute; at.has_parent_path() && at != at.parent_path(); at = at.parent_path())
            if (Named(at, "common") && Named(at.parent_path(), "steamapps"))
            {
                prefixes.push_back(at.parent_path() / "compatdata" / "489830" / "pfx");
                break;
            }
#ifdef _WIN32
        // Under Wine, %LOCALAPPDATA% already leads into the prefix that $WINEPREFIX names: looked at
        // again by its Unix path, each file would be found twice.
        const bool ownPrefix = LocalAppData().has_value();
#else
        const bool ownPrefix = false;
#endif
        const char* winePrefix = ownPrefix ? nullptr : std::getenv("WINEPREFIX");
        const char* home = ownPrefix ? nullptr : std::getenv("HOME");
        if (winePrefix != nullptr && *winePrefix != '\0')
            prefixes.emplace_back(winePrefix);
        else if (home != nullptr && *home != '\0')
            prefixes.push_back(std::filesystem::path(home) / ".wine");
        return prefixes;
    }

    std::vector<std::filesystem::path> GameFolder::PrefixUsers() const
    {
        std::vector<std::filesystem::path> users;
        std::error_code error;
        for (const auto& prefix : Prefixes())
            if (const auto folder = Find(prefix, "drive_c/users"))
                for (std::filesystem::directory_iterator it(*folder, error), last; !error && it != last;
                     it.increment(error))
                    users.push_back(it->path());
        return users;
    }

    std::optional<std::filesystem::path> GameFolder::LocalAppData()
    {
#ifdef _WIN32
        // The environment in UTF-16: a user's folder may hold characters of any code page.
        if (const wchar_t* local = _wgetenv(L"LOCALAPPDATA"); local != nullptr && *local != L'\0')
            return std::filesystem::path(local);
#else
        if (const char* local = std::getenv("LOCALAPPDATA"); local != nullptr && *local != '\0')
            return std::filesystem::path(local);
#endif
        return std::nullopt;
    }

    GameFolder::Places GameFolder::PluginsTxtPlaces() const
    {
        return {LocalAppData(), Prefixes()};
    }

    std::vector<std::filesystem::path> GameFolder::PluginsTxtCandidates() const
    {
        std::vector<std::filesystem::path> localFolders;
        if (auto local = LocalAppData())
            localFolders.push_back(std::move(*local));
        for (const auto& user : PrefixUsers())
            for (const char* folder : {"AppData/Local", "Local Settings/Application Data"})
                if (const auto local = Find(user, folder))
                    localFolders.push_back(*local);

        std::vector<std::filesystem::path> candidates;
        std::error_code error;
        for (const auto& local : localFolders)
            for (const auto edition : Editions)
                if (const auto file = Find(local, std::string(edition) + "/Plugins.txt"))
                    if (std::ranges::none_of(candidates, [&](const auto& other) {
                            return std::filesystem::equivalent(other, *file, error);
                        }))
                        candidates.push_back(*file);
        return candidates;
    }
} // namespace GameData
