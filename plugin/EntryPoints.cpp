// The host's entry points: log, check, set to work, answer. Whatever fails inside comes back to the
// host as a failed result record, never as an exception (Host/CaughtException.h).

#include <filesystem>
#include <string_view>
#include "Enb/Activation.h"
#include "Host/CaughtException.h"
#include "Host/FailedResult.h"
#include "Host/HostRecords.h"
#include "Host/Requirements.h"
#include "Host/Version.h"
#include "Orvel/Log.h"

namespace
{
    Yarrin::V1::InitializeResult Initialize(const Yarrin::V1::RuntimeInfo& runtime)
    {
        const auto logs = Yarrin::V1::GetLogsDirectory();
        const std::filesystem::path logFile =
            std::filesystem::path(std::wstring_view(logs.Characters, logs.Length())) / L"Nimbrava.log";

        auto& logger = Orvel::Logger::Instance();
        logger.Open(logFile, NIMBRAVA_DISPLAY_NAME); // throws LogFileOpenException
        logger.WriteTimestamp = true;

        if (!runtime.HasEnbLoadingPoint())
            logger.Log(Orvel::LogLevel::Fatal, "{}", "ENB loading point is required but unavailable");

        return Nimbrava::MakeRequirementsResult();
    }
} // namespace

Yarrin::V1::InitializeResult YarrinInitialize(const Yarrin::V1::RuntimeInfo& runtime) noexcept
{
    try
    {
        return Initialize(runtime);
    }
    catch (...)
    {
        return Nimbrava::FailedResult<Yarrin::V1::InitializeResult>(Nimbrava::ReportCaughtException(), 0);
    }
}

Yarrin::V1::MainResult YarrinMain(HINSTANCE__*, const Yarrin::V1::RuntimeInfo&) noexcept
{
    try
    {
        return Nimbrava::Activate();
    }
    catch (...)
    {
        // Error flag 1 while ENB holds no pointer into the library, as for the refusals.
        return Nimbrava::FailedResult<Yarrin::V1::MainResult>(Nimbrava::ReportCaughtException(),
                                                              Nimbrava::CallbackRegistered() ? 0 : 1);
    }
}
