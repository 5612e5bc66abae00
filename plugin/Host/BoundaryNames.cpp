// The four functions of the host boundary, referred to so that their decorated names stand in the
// object's symbol table. The build compiles this file twice, in MSVC's ABI (the names that hosts
// built with MSVC export and look up) and with this build's own compiler (the names the plugin's
// code defines and calls), and makes the export and import definitions from both
// (cmake/HostBoundaryNames.cmake): the names follow HostRecords.h and are never typed by hand.

#include "Host/HostRecords.h"

struct NimbravaBoundary
{
    decltype(&YarrinInitialize) Initialize;
    decltype(&YarrinMain) Main;
    decltype(&Yarrin::V1::GetLogsDirectory) LogsDirectory;
    decltype(&Yarrin::V1::Details::ConstructString<char>) ConstructString;
};

extern const NimbravaBoundary NimbravaBoundaryFunctions;
const NimbravaBoundary NimbravaBoundaryFunctions{&YarrinInitialize, &YarrinMain, &Yarrin::V1::GetLogsDirectory,
                                                 &Yarrin::V1::Details::ConstructString<char>};
