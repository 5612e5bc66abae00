#pragma once
// A game folder (the folder of the game's executable, which holds Data/) and where the game keeps
// what belongs to it elsewhere.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include "GameData/Problems.h"

namespace GameData
{
    class GameFolder
    {
    public:
        // What a mod manager shows the game in place of its own folders (Mod Organizer 2's virtual
        // file system).
        struct Overlay
        {
            // Folders laid out as Data is, seen above it, the highest first: a file in one hides the
            // same name in those after it and in Data.
            std::vector<std::filesystem::path> DataLayers;
            // The folder that holds the game's INI files in place of the player's own (a profile's).
            std::optional<std::filesystem::path> IniFolder;
        };

        // `folder` holds Data/. Reads the language as the game does: sLanguage of [General] in the
        // player's own Skyrim.ini (Documents/My Games/<edition>, where the game writes it: on Windows,
        // and in the users' folders of the Wine prefixes that PluginsTxtCandidates searches; the
        // overlay's IniFolder instead when it has one) where one sets it, else in the game folder's
        // Skyrim.ini, else English.
        explicit GameFolder(std::filesystem::path folder, Overlay overlay = {});

        [[nodiscard]] const std::filesystem::path& Folder() const noexcept { return m_folder; }
        [[nodiscard]] std::filesystem::path Data() const { return m_folder / "Data"; }
        [[nodiscard]] const std::string& Language() const noexcept { return m_language; }
        // A Skyrim.ini that is there but cannot be read (UnreadGameFile).
        [[nodiscard]] const std::vector<Problem>& Problems() const noexcept { return m_problems; }

        // The file or folder `relative` (names in code page 1252, '/' or '\' between them) below
        // `base`, each name matched ignoring case as Windows matches it (NameCase.h); nothing when there
        // is none.
        [[nodiscard]] static std::optional<std::filesystem::path> Find(const std::filesystem::path& base,
                                                                       std::string_view relative);
        // A file of Data/ as the game sees it, so matched: the first of the overlay's layers that holds
        // it, else Data/ itself.
        [[nodiscard]] std::optional<std::filesystem::path> FindData(std::string_view relative) const;

        // Where the game may keep Plugins.txt, most likely first: %LOCALAPPDATA% (Windows), then the
        // users of the Wine prefix the game folder lies in, of Steam's Proton prefix beside the
        // steamapps folder that holds this game, and of $WINEPREFIX (else ~/.wine; in the .exe only
        // without %LOCALAPPDATA%, which under Wine leads there already); for each, the
        // folders of the Steam, GOG, Epic and Microsoft Store editions. Only files that exist are
        // given, each once.
        [[nodiscard]] std::vector<std::filesystem::path> PluginsTxtCandidates() const;

        // Where PluginsTxtCandidates looks, for a player told that it found nothing: %LOCALAPPDATA%
        // when it is set, and the Wine prefixes, whether they exist or not.
        struct Places
        {
            std::optional<std::filesystem::path> LocalAppData;
            std::vector<std::filesystem::path> Prefixes;
        };
        [[nodiscard]] Places PluginsTxtPlaces() const;

    private:
        // %LOCALAPPDATA% when it is set.
        [[nodiscard]] static std::optional<std::filesystem::path> LocalAppData();
        // The Wine prefixes that may hold the game's files, most likely first.
        [[nodiscard]] std::vector<std::filesystem::path> Prefixes() const;
        // Their users' folders (drive_c/users/<user>).
        [[nodiscard]] std::vector<std::filesystem::path> PrefixUsers() const;

        std::filesystem::path m_folder;
        Overlay m_overlay;
        std::string m_language;
        std::vector<Problem> m_problems;
    };
} // namespace GameData
