#pragma once
// What --worldspace and --walk decide from: the worldspaces asked for as ENB reports them, the
// configuration read once as the plugin reads it (or why it could not be), its check for the reasons,
// and the game when it is found.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>
#include "checks/Decision.h"
#include "checks/InstalledGame.h"
#include "commands/Commands.h"

namespace NimbravaCheck
{
    class PlayerFolder
    {
    public:
        // Reads what `request` names; a configuration that cannot be read is told on `output.Err`, and the
        // decisions then log what the plugin logs without it. Throws InputError for a worldspace that is
        // no ID, editor ID or name, and for a game or Plugins.txt that cannot be read.
        PlayerFolder(const Request& request, const Output& output);
        PlayerFolder(const PlayerFolder&) = delete;
        PlayerFolder& operator=(const PlayerFolder&) = delete;

        [[nodiscard]] const std::vector<std::uint32_t>& Ids() const noexcept { return m_ids; }
        [[nodiscard]] const DecisionInputs& Inputs() const noexcept { return m_inputs; }
        [[nodiscard]] const InstalledGame* Game() const noexcept { return m_game ? &*m_game : nullptr; }
        // Whether the plugin would read the configuration (for an ID other than 0) and it could not be.
        [[nodiscard]] bool Unreadable() const noexcept { return m_needed && !m_config; }

    private:
        std::filesystem::path m_file; // the configuration
        std::optional<InstalledGame> m_game;
        CheckContext m_context;
        std::vector<std::uint32_t> m_ids;
        bool m_needed = false;
        std::optional<Configuration> m_config;
        std::optional<ConfigReport> m_report;
        DecisionInputs m_inputs;
    };
} // namespace NimbravaCheck
