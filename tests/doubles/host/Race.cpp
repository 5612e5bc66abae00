#include "Race.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>
#include <fmt/format.h>
#include "EnbControl.h"
#include "PluginLog.h"

namespace NimbravaTest
{
    namespace
    {
        // The log line of a change of worldspace, up to its ID.
        constexpr std::string_view ChangedLine = "[MESSAGE] Worldspace changed. New ID: ";

        // Threads that each fire a type-2 callback at once, round by round; in each round, thread T
        // first makes ENB report the worldspace Report(round, T) to it. Counted in with atomics and
        // spinning, not a std::latch: under Wine a latch's wait was seen to miss its wake-up.
        class Racers
        {
        public:
            using Report = std::function<std::uint32_t(std::uint32_t round, std::uint32_t thread)>;

            Racers(std::uint32_t threads, std::uint32_t rounds, Report report)
                : m_report(std::move(report)), m_rounds(rounds)
            {
                for (std::uint32_t thread = 0; thread < threads; ++thread)
                    m_threads.emplace_back([this, thread](std::stop_token stop) { Race(thread, stop); });
            }

            // Releases the next round once every thread has counted in, and waits for its callbacks to
            // return.
            void RunRound()
            {
                const auto threads = static_cast<std::uint32_t>(m_threads.size());
                WaitFor(m_ready, threads * (m_released + 1));
                // The threads leave at a moment a little ahead rather than at the store that releases
                // them: threads spinning on other cores see a store one after the other, but reach a
                // time together, and by then this thread has given up its core to wait.
                m_releaseAt = std::chrono::steady_clock::now() + std::chrono::microseconds(200);
                ++m_released;
                WaitFor(m_done, threads * m_released);
            }

            // Whether two callbacks ever ran at once.
            [[nodiscard]] bool Overlapped() const { return m_overlapped; }

        private:
            static void WaitFor(const std::atomic<std::uint32_t>& count, std::uint32_t target)
            {
                while (count.load() < target)
                    std::this_thread::yield();
            }

            void Race(std::uint32_t thread, const std::stop_token& stop)
            {
                for (std::uint32_t round = 0; round < m_rounds; ++round)
                {
                    EnbTest_SetThreadWorldspace(m_report(round, thread));
                    ++m_ready;
                    // Spinning, so that the threads on other cores leave at once; yielding now and then to
                    // the threads without a core.
                    for (unsigned spins = 1; m_released.load() <= round; ++spins)
                    {
                        if (stop.stop_requested())
                            return;
                        if (spins % 4096 == 0)
                            std::this_thread::yield();
                    }
                    for (const auto at = m_releaseAt.load(); std::chrono::steady_clock::now() < at;)
                    {
                    }
                    // Another callback running when this one starts: the two ran at once.
                    if (++m_running >= 2)
                        m_overlapped = true;
                    EnbTest_FireCallback(2);
                    --m_running;
                    ++m_done;
                }
            }

            const Report m_report;
            const std::uint32_t m_rounds;
            std::atomic<std::uint32_t> m_ready{0}, m_released{0}, m_done{0}, m_running{0};
            std::atomic<bool> m_overlapped{false};
            std::atomic<std::chrono::steady_clock::time_point> m_releaseAt{};
            std::vector<std::jthread> m_threads; // last: stopped and joined before the rest goes
        };

        // What the race knows of the switches so far: the worldspace of the last one as the log shows it
        // ("" before the first), the weather list in force, and each worldspace's list as its
        // switches showed it.
        struct RaceState
        {
            std::string Worldspace, List;
            std::map<std::string, std::string> Lists{};
        };

        // The weather list, under enbseries, that the log line after a change to `id` says that the
        // change put in force; "" when the line is not one of that change's.
        std::string ListSwitchedTo(const std::string& line, const std::string& id)
        {
            constexpr std::string_view Switching = "[MESSAGE] Switching to weatherlist '";
            if (line.starts_with(Switching) && line.ends_with('\''))
            {
                std::string list = line.substr(Switching.size(), line.size() - Switching.size() - 1);
                std::ranges::replace(list, '\\', '/');
                return list;
            }
            if (line.starts_with("[WARNING] Unable to find weatherlist '") &&
                line.ends_with("' for worldspace " + id + ". Switching to default fallback"))
                return "_weatherlist.ini";
            return "";
        }

        // What is wrong with one round of a race, given the lines it logged, the reloads ENB was asked
        // for and the worldspaces the threads reported; "" when nothing is. Its switches update `state`.
        std::string CheckRound(const RaceGame& game, const std::vector<std::string>& lines, std::uint32_t reloads,
                               const std::set<std::string>& reported, RaceState& state, std::uint32_t& switches)
        {
            // The reload lines come after the switch, which another thread may log in between.
            std::vector<std::string> steps;
            for (const std::string& line : lines)
                if (line != "[MESSAGE] Reloading ENB config...")
                    steps.push_back(line);
            const std::size_t reloadLines = lines.size() - steps.size();
            std::uint32_t changes = 0;
            // Each change: to a worldspace a thread reported and not the one in force, directly followed
            // by its list's line, the same list at every change to that worldspace.
            for (std::size_t at = 0; at < steps.size(); at += 2)
            {
                const std::string id = steps[at].starts_with(ChangedLine) ? steps[at].substr(ChangedLine.size()) : "";
                const std::string list = at + 1 < steps.size() ? ListSwitchedTo(steps[at + 1], id) : "";
                const auto known = state.Lists.try_emplace(id, list).first;
                if (!reported.contains(id) || id == state.Worldspace || list.empty() || known->second != list)
                    return "a change out of place: " + steps[at];
                state.Worldspace = id;
                state.List = list;
                ++changes;
            }
            switches += changes;
            const bool moved = std::ranges::any_of(reported, [&](const auto& id) { return id != state.Worldspace; });
            if (changes == 0 && moved)
                return "no change, though the threads reported another worldspace";
            if (reloadLines != changes || reloads != changes)
                return fmt::format("{} changes, {} reload lines, {} reloads", changes, reloadLines, reloads);
            if (game.InForce() != state.List || game.ReloadReads() != state.List)
                return "not the list of " + state.Worldspace + " in force";
            return "";
        }
    } // namespace

    // race THREADS ROUNDS GROUP...: in each round THREADS threads, released at once, each fire a
    // type-2 callback. A group is worldspace IDs separated by commas: round N's threads report
    // those of the N-th group (the groups in turn), thread T the T-th of them (in turn).
    RaceResult Race(const std::vector<std::string>& words, const RaceGame& game)
    {
        const std::uint32_t threads = std::stoul(words.at(1)), rounds = std::stoul(words.at(2));
        std::vector<std::vector<std::uint32_t>> groups;
        for (auto word = words.begin() + 3; word != words.end(); ++word)
        {
            auto& group = groups.emplace_back();
            std::istringstream ids(*word);
            for (std::string id; std::getline(ids, id, ',');)
                group.push_back(std::stoul(id, nullptr, 16));
        }
        if (threads < 2 || groups.empty())
            throw std::invalid_argument("race takes two threads or more and a group of worldspaces");

        // The race starts where the log leaves the plugin: the worldspace of the change logged last.
        std::streamoff logRead = 0;
        RaceState state{"", game.InForce()};
        const std::vector<std::string> before = ReadLogLines(game.Log, logRead);
        for (const std::string& line : before)
            if (line.starts_with(ChangedLine))
                state.Worldspace = line.substr(ChangedLine.size());

        EnbTestState& enb = *EnbTest();
        // The reloads of several threads would write one record at once: each round reads afterwards.
        enb.ReadOnReload = false;
        const auto reloads = [&] { return std::atomic_ref(enb.DirtyHackCalls).load(); };
        const std::uint32_t reloadsBefore = reloads();
        Racers racers(threads, rounds, [&](std::uint32_t round, std::uint32_t thread) {
            const auto& group = groups[round % groups.size()];
            return group[thread % group.size()];
        });
        std::string fault;
        std::uint32_t switches = 0;
        std::size_t raceLines = 0;
        for (std::uint32_t round = 0; round < rounds && fault.empty(); ++round)
        {
            const std::uint32_t reloadsThen = reloads();
            racers.RunRound();
            const std::vector<std::string> lines = ReadLogLines(game.Log, logRead);
            raceLines += lines.size();
            std::set<std::string> reported; // as the log shows them: the low six digits
            for (const std::uint32_t id : groups[round % groups.size()])
                reported.insert(fmt::format("{:X}", id & 0xFFFFFF));
            fault = CheckRound(game, lines, reloads() - reloadsThen, reported, state, switches);
            if (!fault.empty())
                fault = fmt::format("round {}: {}", round + 1, fault);
        }
        enb.ReadOnReload = true;
        // Without two callbacks at once there was no race.
        if (fault.empty() && !racers.Overlapped())
            fault = "the callbacks never overlapped";
        const std::string outcome = fmt::format("{}, {} switches, {} reloads", fault.empty() ? "one at a time" : fault,
                                                switches, reloads() - reloadsBefore);
        return {outcome, before.size(), raceLines};
    }
} // namespace NimbravaTest
