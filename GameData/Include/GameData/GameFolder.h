#pragma once
// A game folder (the folder of the game's executable, which holds Data/) and where the game keeps
// what belongs to it elsewhere.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace GameData
{
    class GameFolder
    {
    public:
        // `folder` holds Data/. Reads the language from Skyrim.ini there (sLanguage of [General];
        // English when there is none).
        explicit GameFolder(std::filesystem::path folder);

        [[nodiscard]] const std::filesystem::path& Folder() const noexcept { return m_folder; }
        [[nodiscard]] std::filesystem::path Data() const { return m_folder / "Data"; }
        [[nodiscard]] const std::string& Language() const noexcept { return m_language; }

        // The file or folder `relative` (names in code page 1252, '/' or '\' between them) below
        // `base`, each name matched ignoring case as Windows matches it; nothing when there is none.
        [[nodiscard]] static std::optional<std::filesystem::path> Find(const std::filesystem::path& base,
                                                                       std::string_view relative);
        // A file of Data/, so matched.
        [[nodiscard]] std::optional<std::filesystem::path> FindData(std::string_view relative) const
        {
            return Find(Data(), relative);
        }

        // Where the game may keep Plugins.txt, most likely first: %LOCALAPPDATA% (Windows), then the
        // users of the Wine prefix the game folder lies in, of Steam's Proton prefix beside the
        // steamapps folder that holds this game, and of $WINEPREFIX (else ~/.wine); for each, the
        // folders of the Steam, GOG, Epic and Microsoft Store editions. Only files that exist are
        // given, each once.
        [[nodiscard]] std::vector<std::filesystem::path> PluginsTxtCandidates() const;

    private:
        std::filesystem::path m_folder;
        std::string m_language;
    };
} // namespace GameData
