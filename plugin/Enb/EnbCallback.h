#pragma once
// What ENB calls while the game runs: on a new worldspace, choose its weather list and have ENB
// reload its configuration.

#include <atomic>
#include <cstdint>

namespace Nimbrava
{
    // The second argument of every reload request: -1 when ENB's version is below 489, else 0. Set
    // by the activation before callbacks act.
    extern std::atomic<std::int64_t> ReloadParameter;

    // Lets EnbCallback act. Until then it returns at once, so that a callback ENB makes on another
    // thread while the activation still runs cannot switch the path under the start-up run or ask
    // for a reload before the import slots lead to the redirection.
    void EnableEnbCallback() noexcept;

    // The callback registered with ENB. A type-2 callback that reports a non-zero worldspace
    // identifier other than the stored one stores it and updates the weather list for it, then logs
    // "Reloading ENB config..." and asks ENB to reload (logging "ENB config reload failed!" when ENB
    // answers 0): ChangeWorldspace's steps. Anything else returns after at most one ENBGetState call.
    // Nothing is retried. Callbacks on several threads at once switch one at a time: each compares
    // with the ID the one before stored, so an ID is switched to once and the list in force is that
    // of the ID stored last. No exception leaves it: a failure is logged at level Error and the game
    // goes on without a reload.
    void EnbCallback(std::uint32_t type) noexcept;
} // namespace Nimbrava
