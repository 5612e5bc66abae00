#include "Enb/EnbCallback.h"

#include <exception>
#include "Enb/EnbInterface.h"
#include "Orvel/Log.h"
#include "Choice/WeatherlistChoice.h"
#include "Switching/WeatherlistSelection.h"

namespace Nimbrava
{
    std::atomic<std::int64_t> ReloadParameter{0};

    namespace
    {
        std::atomic<bool> Enabled{false};

        // ENB must never see an exception, not even one from logging the first one.
        void LogFailure(std::uint32_t id, const char* what) noexcept
        {
            try
            {
                Orvel::Logger::Instance().Log(Orvel::LogLevel::Error, "Worldspace change to {:X} failed: {}",
                                              MaskWorldspaceId(id), what);
            }
            catch (...)
            {
            }
        }
    } // namespace

    void EnableEnbCallback() noexcept
    {
        Enabled.store(true, std::memory_order_release);
    }

    void EnbCallback(std::uint32_t type) noexcept
    {
        if (type != Enb::WorldspaceCallback || !Enabled.load(std::memory_order_acquire))
            return;
        const std::uint32_t id = ENBGetState(Enb::WorldspaceState);
        // All 32 bits count here, although the choice looks at the low 24 only.
        if (id == 0 || id == StoredWorldspaceId.load(std::memory_order_relaxed))
            return;
        StoredWorldspaceId.store(id, std::memory_order_relaxed);

        try
        {
            // The path is complete before the reload is asked for, so the reload reads the new file.
            UpdateCurrentWeatherlist();
            auto& logger = Orvel::Logger::Instance();
            logger.Log(Orvel::LogLevel::Message, "{}", "Reloading ENB config...");
            if (DirtyHack(Enb::ReloadRequest, ReloadParameter.load(std::memory_order_relaxed)) == 0)
                logger.Log(Orvel::LogLevel::Error, "{}", "ENB config reload failed!");
        }
        catch (const std::exception& e)
        {
            LogFailure(id, e.what());
        }
        catch (...)
        {
            LogFailure(id, "unknown exception");
        }
    }
} // namespace Nimbrava
