#include "Switching/WeatherlistSelection.h"

#include <string>
#include <utility>
#include "Files/CodePage.h"
#include "Files/RegularFile.h"
#include "Orvel/Log.h"
#include "Switching/EnbseriesDirectory.h"
#include "Switching/WeatherlistPath.h"

namespace Nimbrava
{
    std::atomic<std::uint32_t> StoredWorldspaceId{0};

    namespace
    {
        // Makes `wide` the current weatherlist path with its narrow form. When the narrow form cannot
        // be made, `wide` is in force with the narrow form that was in force before, and the
        // conversion's error leaves. One publication either way: readers never see a pair that this
        // run did not mean to leave behind.
        void PublishWeatherlistPath(std::wstring wide, unsigned codePage)
        {
            std::string narrow;
            try
            {
                narrow = WideToNarrow(wide, codePage);
            }
            catch (...)
            {
                CurrentWeatherlistPath::Publish(std::move(wide), CurrentWeatherlistPath::Load().Narrow);
                throw;
            }
            CurrentWeatherlistPath::Publish(std::move(wide), std::move(narrow));
        }
    } // namespace

    GameWeatherlistSite::GameWeatherlistSite(ReloadFunction reload) noexcept
        : m_directory(EnbseriesDirectory()), m_codePage(FileApiCodePage()), m_reload(reload)
    {
    }

    void GameWeatherlistSite::Log(Orvel::LogLevel level, std::string_view text)
    {
        Orvel::Logger::Instance().Log(level, "{}", text);
    }

    void GameWeatherlistSite::ResetToDefault()
    {
        PublishWeatherlistPath((m_directory / L"_weatherlist.ini").native(), m_codePage);
    }

    Orvel::IniInterface GameWeatherlistSite::ReadConfiguration()
    {
        return Orvel::IniInterface(m_directory / L"_nimbrava.ini");
    }

    std::optional<bool> GameWeatherlistSite::IsRegularFile(std::string_view shownName)
    {
        m_candidate = m_directory / NarrowToWide(shownName, m_codePage);
        return Nimbrava::IsRegularFile(m_candidate);
    }

    void GameWeatherlistSite::SwitchTo(std::string_view)
    {
        PublishWeatherlistPath(m_candidate.native(), m_codePage);
    }

    bool GameWeatherlistSite::Reload()
    {
        return m_reload != nullptr && m_reload();
    }

    void UpdateCurrentWeatherlist()
    {
        GameWeatherlistSite site;
        (void)UpdateWeatherlist(StoredWorldspaceId.load(std::memory_order_acquire), site);
    }
} // namespace Nimbrava
