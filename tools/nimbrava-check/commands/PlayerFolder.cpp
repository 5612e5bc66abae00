#include "commands/PlayerFolder.h"

#include <algorithm>
#include "checks/InputError.h"
#include "checks/WorldspaceNames.h"
#include "commands/Inputs.h"

namespace NimbravaCheck
{
    PlayerFolder::PlayerFolder(const Request& request, const Output& output)
        : m_file(ConfigurationFile(request.Target)), m_game(GameFor(m_file.parent_path(), request)),
          m_context(ContextFor(request, Game())), m_inputs{m_file.parent_path(), nullptr, nullptr, nullptr, m_context}
    {
        for (const auto& text : request.Worldspaces)
            m_ids.push_back(ResolveWorldspace(text, m_game ? &m_game->Worldspaces.Worldspaces : nullptr));
        // The plugin reads the configuration only for a known worldspace, never for ID 0.
        m_needed = std::ranges::any_of(m_ids, [](std::uint32_t id) { return id != 0; });
        try
        {
            if (m_needed)
                m_config = ReadConfiguration(m_file);
        }
        catch (const InputError& failure)
        {
            m_inputs.LoadFailure = std::current_exception();
            WriteError(output.Err, failure.what());
        }
        // What the configuration check says, for the reasons behind each decision.
        if (m_config)
        {
            m_report = CheckConfiguration(*m_config, m_context);
            m_inputs.Config = &*m_config;
            m_inputs.Report = &*m_report;
        }
    }
} // namespace NimbravaCheck
