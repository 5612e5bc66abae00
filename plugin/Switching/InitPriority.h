#pragma once
// The plugin's static objects, constructed after the library's logger and tracking registry and
// destroyed before them, in this order:
//
//   1. the enbseries directory
//   2. the current weatherlist path (both forms empty)

#include "Orvel/InitPriority.h"

#define NIMBRAVA_INIT_PRIORITY_ENBSERIES_DIRECTORY (ORVEL_INIT_PRIORITY_LAST + 1)
#define NIMBRAVA_INIT_PRIORITY_WEATHERLIST_PATH (ORVEL_INIT_PRIORITY_LAST + 2)
