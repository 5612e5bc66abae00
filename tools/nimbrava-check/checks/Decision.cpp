#include "checks/Decision.h"

#include <algorithm>
#include <stdexcept>
#include "Choice/WeatherlistChoice.h"
#include "GameData/BaseGame.h"

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

        // The names a player may give the worldspace in a comment: the editor IDs and names of those of
        // its ID, or without the game's data the base game's of that ID.
        std::vector<std::string> NamesOf(const Decision& decision, const DecisionInputs& inputs)
        {
            std::vector<std::string> names;
            for (const auto& worldspace : decision.Named)
            {
                names.push_back(worldspace.EditorId);
                if (worldspace.Name)
                    names.push_back(*worldspace.Name);
            }
            if (inputs.Context.Game == nullptr)
                for (const auto& base : GameData::BaseWorldspaces())
                    if (Nimbrava::MaskWorldspaceId(base.FormId) == Nimbrava::MaskWorldspaceId(decision.Id))
                    {
                        names.emplace_back(base.EditorId);
                        names.emplace_back(base.Place);
                    }
            return names;
        }

        // Whether a line of `why` shows the finding already.
        bool Told(const std::vector<ExplainingLine>& why, const Finding& finding)
        {
            return std::ranges::any_of(why, [&](const ExplainingLine& line) {
                return std::ranges::any_of(line.Findings, [&](const Finding& told) {
                    return told.Id == finding.Id && told.Line == finding.Line;
                });
            });
        }

        // The plugin's run for `id`: what it logs, what its file test found, and the list in force.
        void RunPlugin(const DecisionInputs& inputs, std::uint32_t id, Decision& decision)
        {
            PlayerFolderSite site(inputs);
            // ENB's callback changes nothing for 0; the plugin's start-up run is what shows it.
            decision.Outcome = id == 0 ? Nimbrava::UpdateWeatherlist(0, site) : Nimbrava::ChangeWorldspace(id, site);
            decision.File = site.File();
            if (decision.Outcome.Path == Nimbrava::InForce::Chosen)
                decision.InForce = decision.File->Path;
            else if (decision.Outcome.Path == Nimbrava::InForce::Default)
                decision.InForce = inputs.Enbseries / "_weatherlist.ini";
        }
    } // namespace

    std::optional<std::filesystem::path> ListInForce(const DecisionInputs& inputs, std::uint32_t id)
    {
        Decision decision;
        RunPlugin(inputs, id, decision);
        return decision.InForce;
    }

    Decision Decide(const DecisionInputs& inputs, std::uint32_t id)
    {
        Decision decision;
        decision.Id = id;
        RunPlugin(inputs, id, decision);
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
        if (decision.Outcome.Path == Nimbrava::InForce::Unknown)
        {
            decision.Note = "whether the file exists cannot be told here: " + decision.File->Why;
            decision.Problem = true;
        }
        if (id == 0)
            decision.InForce.reset(); // whatever was in force before

        const auto& choice = decision.Outcome.Choice;
        const auto& codePage = inputs.Context.CodePage;
        const std::uint32_t masked = Nimbrava::MaskWorldspaceId(id);
        if (inputs.Report != nullptr && id != 0 && !choice.Chosen())
        {
            decision.Why = NearMisses(*inputs.Config, *inputs.Report, codePage, masked, NamesOf(decision, inputs));
            // A line meant for it that does not read as the player meant: its section never matches.
            decision.Problem = decision.Problem || std::ranges::any_of(decision.Why, [](const ExplainingLine& line) {
                                   return std::ranges::any_of(line.Findings, &Finding::IsProblem);
                               });
        }
        else if (inputs.Report != nullptr && id != 0 && decision.Problem)
            decision.Why = FallbackReasons(*inputs.Config, *inputs.Report, codePage, choice.Section);
        if (const auto* game = inputs.Context.Game; game != nullptr && inputs.Report != nullptr && decision.InForce)
            if (const auto* list = FindWeatherList(inputs.Report->WeatherLists, *decision.InForce); list != nullptr)
            {
                const WeatherNames names(game->Weathers);
                for (const auto& sky : game->Weathers.Worldspaces)
                    if (Nimbrava::MaskWorldspaceId(sky.FormId) == masked && !sky.Weathers.empty())
                        decision.Coverage.push_back({&sky, list, Coverage(sky, list->List, names)});
            }
        if (inputs.Report != nullptr && id != 0)
            for (const auto& finding : inputs.Report->Findings)
                if (std::ranges::find(finding.About.Worldspaces, masked) != finding.About.Worldspaces.end() &&
                    !Told(decision.Why, finding))
                    decision.Related.push_back(finding);
        return decision;
    }
} // namespace NimbravaCheck
