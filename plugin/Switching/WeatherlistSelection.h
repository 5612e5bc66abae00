#pragma once
// The choice of the weather list in force, made afresh at every change of worldspace.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include "Choice/WorldspaceChange.h"

namespace Nimbrava
{
    // The identifier of the worldspace the player is in, as ENB reported it last; 0 while none is
    // known. Written only by the ENB callback, just before it updates the weather list.
    extern std::atomic<std::uint32_t> StoredWorldspaceId;

    // The game's side of a change of worldspace: the plugin's log, the files of the enbseries
    // directory, whose names are read in the file-API code page of the moment it is made (one code
    // page for the whole run, even if another thread switches the file functions meanwhile), and the
    // current weatherlist path. One object per run.
    //  - IsRegularFile throws std::system_error for a name that is no text in the code page, and
    //    std::filesystem::filesystem_error when the file test fails.
    //  - ResetToDefault and SwitchTo publish the path with its narrow form. When that form cannot be
    //    made they throw std::system_error: the default is then in force in its wide form only (a
    //    working directory the code page cannot write), and a chosen file in its wide form with the
    //    narrow form that was in force before (until the next run).
    //  - Reload calls `reload`, given by the one who can ask ENB.
    class GameWeatherlistSite final : public IWeatherlistSite
    {
    public:
        using ReloadFunction = bool (*)();

        explicit GameWeatherlistSite(ReloadFunction reload = nullptr) noexcept;

        void Log(Orvel::LogLevel level, std::string_view text) override;
        void ResetToDefault() override;
        Orvel::IniInterface ReadConfiguration() override;
        std::optional<bool> IsRegularFile(std::string_view shownName) override;
        void SwitchTo(std::string_view shownName) override;
        // False without a reload function: nothing was asked of ENB.
        bool Reload() override;

    private:
        const std::filesystem::path& m_directory;
        unsigned m_codePage;
        ReloadFunction m_reload;
        std::filesystem::path m_candidate; // what the last IsRegularFile looked at
    };

    // Updates the weather list in force for the stored worldspace ID with UpdateWeatherlist in the
    // game: the default, then for a known worldspace the file its first matching weatherlist section
    // names, every step logged. Only a failure to publish the default itself, exhausted memory there,
    // or the logger's lock leaves the function (see UpdateWeatherlist).
    void UpdateCurrentWeatherlist();
} // namespace Nimbrava
