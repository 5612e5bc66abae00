#include "Enb/EnbCallback.h"

#include <exception>
#include <mutex>
#include "Choice/WorldspaceChange.h"
#include "Enb/EnbInterface.h"
#include "Orvel/Log.h"
#include "Switching/WeatherlistSelection.h"

namespace Nimbrava
{
    std::atomic<std::int64_t> ReloadParameter{0};

    namespace
    {
        std::atomic<bool> Enabled{false};

        // Held while a callback compares the reported worldspace with the stored one, stores it and
        // puts its weather list in force.
        std::mutex SwitchMutex;

        bool AskEnbToReload()
        {
            return DirtyHack(Enb::ReloadRequest, ReloadParameter.load(std::memory_order_relaxed)) != 0;
        }

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
        // The rare part of a callback, out of line so that the frequent one stays a few instructions.
        [[gnu::noinline]] void SwitchWorldspace(std::uint32_t id) noexcept
        {
            try
            {
                GameWeatherlistSite site(&AskEnbToReload);
                WorldspaceOutcome outcome;
                {
                    // Comparing, storing and switching are one step: were ENB to call back on two threads
                    // at once, both could otherwise switch and reload, and the older worldspace's list
                    // could be left in force while the stored ID names the newer one.
                    const std::lock_guard switching(SwitchMutex);
                    if (!IsWorldspaceChange(id, StoredWorldspaceId.load(std::memory_order_relaxed)))
                        return;
                    StoredWorldspaceId.store(id, std::memory_order_release);
                    outcome = UpdateWeatherlist(id, site);
                }
                // The path is complete before the reload is asked for, so the reload reads the new file.
                // No lock is held while ENB reloads: it may call back from inside, or wait for a thread
                // that is calling back.
                RequestReload(site, outcome);
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
        // All 32 bits count here, although the choice looks at the low 24 only. Nearly every callback
        // reports the worldspace already stored and ends here, without the lock.
        if (!IsWorldspaceChange(id, StoredWorldspaceId.load(std::memory_order_acquire)))
            return;
        SwitchWorldspace(id);
    }
} // namespace Nimbrava
