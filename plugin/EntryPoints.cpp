// The host's entry points: log, check, set to work, answer.

#include <filesystem>
#include <string_view>
#include "Enb/Activation.h"
#include "Host/HostRecords.h"
#include "Orvel/Log.h"
#include "Host/Requirements.h"
#include "Host/Version.h"

Yarrin::V1::InitializeResult YarrinInitialize(const Yarrin::V1::RuntimeInfo& runtime)
{
    const auto logs = Yarrin::V1::GetLogsDirectory();
    const std::filesystem::path logFile =
        std::filesystem::path(std::wstring_view(logs.Characters, logs.Length())) / L"Nimbrava.log";

    auto& logger = Orvel::Logger::Instance();
    logger.Open(logFile, NIMBRAVA_DISPLAY_NAME); // LogFileOpenException goes to the host
    logger.WriteTimestamp = true;

    if (!runtime.HasEnbLoadingPoint())
        logger.Log(Orvel::LogLevel::Fatal, "{}", "ENB loading point is required but unavailable");

    return Nimbrava::MakeRequirementsResult();
}

Yarrin::V1::MainResult YarrinMain(HINSTANCE__*, const Yarrin::V1::RuntimeInfo&)
{
    return Nimbrava::Activate();
}
