#pragma once
// The order in which the library's static objects are constructed (lowest first) and destroyed (in
// reverse). They live in several translation units, where the language leaves the order open, so
// each is given an explicit priority:
//
//   1. the logger (no file open)
//   2. the tracking registry (empty)
//
// A module built on the library that needs its own static objects after these (so that they may log
// or register while being built and destroyed) gives them priorities above ORVEL_INIT_PRIORITY_LAST.

#define ORVEL_INIT_PRIORITY_LOGGER 1001
#define ORVEL_INIT_PRIORITY_TRACKING_REGISTRY 1002
#define ORVEL_INIT_PRIORITY_LAST ORVEL_INIT_PRIORITY_TRACKING_REGISTRY

#if defined(__GNUC__) || defined(__clang__)
#define ORVEL_INIT_PRIORITY(priority) __attribute__((init_priority(priority)))
#else
#define ORVEL_INIT_PRIORITY(priority)
#endif
