#include "checks/Decision.h"

#include <algorithm>
#include <stdexcept>
#include "Choice/WeatherlistChoice.h"

namespace NimbravaCheck
{
    namespace
    {
        // The player's folder as the plugin would find it in the game: the configuration as read (or
        // why it could not be), and FileNames as WindowsPath resolves them. The path in force and ENB's
        // reload are not touched; ENB is taken to reload.
        class PlayerFolderSite final : public Nimbrava::IWeatherlistSite
        {
        public:
            explicit PlayerFolderSite(const DecisionInputs& inputs) : m_inputs(inputs) {}

            // What the file test found, when it ran.
            [[nodiscard]] const std::optional<ResolvedFile>& File() const noexcept { return m_file; }

            void Log(Orvel::LogLevel, std::string_view) override {}
            void ResetToDefault() override {}
            Orvel::IniInterface ReadConfiguration() override
            {
                if (m_inputs.Config == nullptr)
                    std::rethrow_exception(m_inputs.LoadFailure);
                return m_inputs.Config->Document;
            }
            std::optional<bool> IsRegularFile(std::string_view shownName) override
            {
                m_file = ResolveFileName(m_inputs.Enbseries, shownName, m_inputs.Context);
                switch (m_file->State)
                {
                case FileState::RegularFile:
                    return true;
                case FileState::BadText: // the plugin's conversion of the name fails
                    throw std::runtime_error(m_file->Why);
                case FileState::NotCheckable:
                    return std::nullopt;
                default:
                    return false;
                }
            }
            void SwitchTo(std::string_view) override {}
            bool Reload() override { return true; }

        private:
            const DecisionInputs& m_inputs;
            std::optional<ResolvedFile> m_file;
        };
    } // namespace

    Decision Decide(const DecisionInputs& inputs, std::uint32_t id)
    {
        PlayerFolderSite site(inputs);
        Decision decision;
        decision.Id = id;
        // ENB's callback changes nothing for 0; the plugin's start-up run is what shows it.
        decision.Outcome = id == 0 ? Nimbrava::UpdateWeatherlist(0, site) : Nimbrava::ChangeWorldspace(id, site);
        decision.File = site.File();
        decision.Problem = std::ranges::any_of(decision.Outcome.Lines, [](const Nimbrava::LogLine& line) {
            return line.Level != Orvel::LogLevel::Message;
        });
        if (const auto* game = inputs.Context.Game; game != nullptr && id != 0)
            for (const auto& worldspace : game->Worldspaces.Worldspaces)
                if (Nimbrava::MaskWorldspaceId(worldspace.FormId) == Nimbrava::MaskWorldspaceId(id))
                    decision.Named.push_back(worldspace);
        if (id == 0)
            decision.Note = "ENB reports 0 whenever the player is in no worldspace, and the plugin's callback "
                            "changes nothing then: the list in force stays what it was. Only the plugin's "
                            "start-up run, before any worldspace is known, reads 0: it logs the line above and "
                            "puts ENB's own _weatherlist.ini in force";
        switch (decision.Outcome.Path)
        {
        case Nimbrava::InForce::Unknown:
            decision.Note = "whether the file exists cannot be told here: " + decision.File->Why;
            decision.Problem = true;
            break;
        case Nimbrava::InForce::Chosen:
            decision.InForce = decision.File->Path;
            break;
        case Nimbrava::InForce::Default:
            decision.InForce = inputs.Enbseries / "_weatherlist.ini";
            break;
        }
        if (id == 0)
            decision.InForce.reset(); // whatever was in force before

        const auto& choice = decision.Outcome.Choice;
        const auto& codePage = inputs.Context.CodePage;
        if (inputs.Report != nullptr && id != 0 && !choice.Chosen())
            decision.Why = NearMisses(*inputs.Config, *inputs.Report, codePage, Nimbrava::MaskWorldspaceId(id));
        else if (inputs.Report != nullptr && id != 0 && decision.Problem)
            decision.Why = FallbackReasons(*inputs.Config, *inputs.Report, codePage, choice.Section);
        return decision;
    }
} // namespace NimbravaCheck
