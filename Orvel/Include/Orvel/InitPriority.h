#pragma once
// The order in which the static objects of the library and of a module built on it are constructed
// (lowest first) and destroyed (in reverse). They live in several translation units and libraries,
// where the language leaves the order open, so each is given an explicit priority.
//
//   1. the logger (no file open)
//   2. the tracking registry (empty)
//   3. the enbseries directory
//   4. the current weatherlist path (wide and narrow copies, empty)

#define ORVEL_INIT_PRIORITY_LOGGER 1001
#define ORVEL_INIT_PRIORITY_TRACKING_REGISTRY 1002
#define ORVEL_INIT_PRIORITY_ENBSERIES_DIRECTORY 1003
#define ORVEL_INIT_PRIORITY_WEATHERLIST_PATH 1004

#if defined(__GNUC__) || defined(__clang__)
#define ORVEL_INIT_PRIORITY(priority) __attribute__((init_priority(priority)))
#else
#define ORVEL_INIT_PRIORITY(priority)
#endif
