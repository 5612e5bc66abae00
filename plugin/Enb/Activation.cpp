#include "Enb/Activation.h"

#include <atomic>
#include <cstring>
#include <string_view>
#include <windows.h>
#include "Enb/EnbCallback.h"
#include "Choice/WeatherlistMessages.h"
#include "Enb/EnbInterface.h"
#include "Host/FailedResult.h"
#include "Host/HostString.h"
#include "Orvel/Hook/FindIATEntry.h"
#include "Orvel/Hook/ReplaceIATEntry.h"
#include "Orvel/Log.h"
#include "Switching/RedirectionHooks.h"
#include "Switching/WeatherlistSelection.h"

namespace Nimbrava
{
    namespace
    {
        constexpr char UnsupportedSdk[] = "Unsupported ENB SDK version";
        constexpr char UnsupportedGame[] = "Unsupported ENB game ID";
        using Messages::HooksFailed;
        constexpr char Initialized[] = "Initialized successfully";
        constexpr char AlreadyInitialized[] = "Already initialized; the callback and the hooks stay as they are";
        constexpr char NotCompleted[] = "Initialization did not complete";

        // Set once the callback is registered: from then on a repeated YarrinMain must neither
        // register again nor patch again (the saved pointers would become the replacements
        // themselves, and every redirected call would recurse forever).
        std::atomic<bool> Registered{false};

        // How the activation that registered the callback ended, for a repeated call's answer.
        enum class Outcome
        {
            Unfinished, // still running, or left by an exception
            Running,
            HookFailure,
        };
        std::atomic<Outcome> Result{Outcome::Unfinished};

        Yarrin::V1::MainResult Success()
        {
            Yarrin::V1::MainResult result;
            result.Success = true;
            // The empty success record is one byte, 0; nothing else is written.
            std::memset(reinterpret_cast<unsigned char*>(&result) + offsetof(Yarrin::V1::MainResult, Value), 0, 1);
            return result;
        }

        // Logs the text at Fatal, then makes it the host's error text.
        Yarrin::V1::MainResult Failure(const char* text, std::uint16_t flag)
        {
            Orvel::Logger::Instance().Log(Orvel::LogLevel::Fatal, "{}", text);
            return FailedResult<Yarrin::V1::MainResult>(MakeHostString(text), flag);
        }

        // A repeated call changes nothing and answers as the state is.
        Yarrin::V1::MainResult AnswerRepeatedCall()
        {
            Orvel::Logger::Instance().Log(Orvel::LogLevel::Warning, "{}", AlreadyInitialized);
            switch (Result.load(std::memory_order_acquire))
            {
            case Outcome::Running:
                return Success();
            case Outcome::HookFailure:
                return Failure(HooksFailed, 0);
            case Outcome::Unfinished:
                break;
            }
            return Failure(NotCompleted, 0);
        }

        // The module that provides the ENB functions this library is bound to. Other modules named
        // "d3d11.dll" may be loaded beside it (the system's own, other wrappers), so the name alone
        // does not say which one is ENB's.
        HMODULE EnbModule() noexcept
        {
            HMODULE module = nullptr;
            if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                       GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   reinterpret_cast<LPCWSTR>(reinterpret_cast<void*>(&ENBGetSDKVersion)), &module))
                return module;
            return GetModuleHandleW(L"d3d11.dll");
        }

        // Replaces one kernel32 import slot of `module` by `replacement`. The saved pointer receives
        // the slot's value before the slot is written, so a call through the slot can never find it
        // null; it is null again when the replacement fails. Returns whether the slot was replaced.
        template <typename Function>
        bool Patch(HMODULE module, std::string_view function, Function replacement, std::atomic<Function>& saved)
        {
            const auto slot = Orvel::Hook::FindIATEntry(module, "kernel32", function);
            if (!slot)
                return false;
            saved.store(reinterpret_cast<Function>(std::atomic_ref<void*>(**slot).load(std::memory_order_acquire)),
                        std::memory_order_release);
            void* previous = nullptr;
            try
            {
                previous =
                    Orvel::Hook::ReplaceIATEntry(module, "kernel32", function, reinterpret_cast<void*>(replacement));
            }
            catch (...)
            {
                saved.store(nullptr, std::memory_order_release); // the slot was left as it was
                throw;
            }
            saved.store(reinterpret_cast<Function>(previous), std::memory_order_release);
            return previous != nullptr;
        }

        // Opens the callback whatever way the rest of the activation ends: it is registered now.
        struct EnableCallbackAtEnd
        {
            ~EnableCallbackAtEnd() { EnableEnbCallback(); }
        };
    } // namespace

    Yarrin::V1::MainResult Activate()
    {
        auto& logger = Orvel::Logger::Instance();
        if (Registered.load(std::memory_order_acquire))
            return AnswerRepeatedCall();

        if (ENBGetSDKVersion() % 1000 < 2)
            return Failure(UnsupportedSdk, 1);
        if (ENBGetGameIdentifier() != Enb::SkyrimSpecialEditionGameId)
            return Failure(UnsupportedGame, 1);

        if (Registered.exchange(true, std::memory_order_acq_rel))
            return AnswerRepeatedCall();
        ENBSetCallbackFunction(&EnbCallback);
        const EnableCallbackAtEnd enable;

        if (ENBGetVersion() < 489)
            ReloadParameter.store(-1, std::memory_order_relaxed);

        UpdateCurrentWeatherlist(); // the stored worldspace ID is still 0: the default weather list

        const HMODULE module = EnbModule();
        if (module == nullptr || !Patch(module, "CreateFileA", &HookedCreateFileA, SavedCreateFileA) ||
            !Patch(module, "GetPrivateProfileSectionA", &HookedGetPrivateProfileSectionA,
                   SavedGetPrivateProfileSectionA))
        {
            Result.store(Outcome::HookFailure, std::memory_order_release);
            return Failure(HooksFailed, 0);
        }

        Result.store(Outcome::Running, std::memory_order_release);
        logger.Log(Orvel::LogLevel::Message, "{}", Initialized);
        return Success();
    }

    bool CallbackRegistered() noexcept
    {
        return Registered.load(std::memory_order_acquire);
    }
} // namespace Nimbrava
