// --worldspace: what the plugin does when ENB reports each ID, decided by the plugin's own steps.

#include <algorithm>
#include <exception>
#include <fmt/format.h>
#include <stdexcept>
#include "Choice/WorldspaceChange.h"
#include "Commands.h"
#include "ConfigCheck.h"
#include "GameData/Text.h"
#include "InstalledGame.h"
#include "Json.h"
#include "Orvel/Ascii.h"
#include "Orvel/Exceptions.h"
#include "Orvel/Parsing.h"
#include "Reasons.h"
#include "WindowsPath.h"

namespace NimbravaCheck
{
    namespace
    {
        // The player's folder as the plugin would find it in the game: the configuration as read
        // (or why it could not be), and FileNames as WindowsPath resolves them. The path in force
        // and ENB's reload are not touched; ENB is taken to reload.
        class PlayerFolderSite final : public Nimbrava::IWeatherlistSite
        {
        public:
            PlayerFolderSite(const std::filesystem::path& enbseries, const Orvel::IniInterface* document,
                             std::exception_ptr loadFailure)
                : m_enbseries(enbseries), m_document(document), m_loadFailure(std::move(loadFailure))
            {
            }

            // What the file test found, when it ran.
            [[nodiscard]] const std::optional<ResolvedFile>& File() const noexcept { return m_file; }

            void Log(Orvel::LogLevel, std::string_view) override {}
            void ResetToDefault() override {}
            Orvel::IniInterface ReadConfiguration() override
            {
                if (m_document == nullptr)
                    std::rethrow_exception(m_loadFailure);
                return *m_document;
            }
            std::optional<bool> IsRegularFile(std::string_view shownName) override
            {
                m_file = ResolveFileName(m_enbseries, shownName);
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
            const std::filesystem::path& m_enbseries;
            const Orvel::IniInterface* m_document;
            std::exception_ptr m_loadFailure;
            std::optional<ResolvedFile> m_file;
        };

        struct Decision
        {
            std::uint32_t Id;
            std::vector<GameData::Worldspace> Named; // with the game's data: the worldspaces of this ID
            Nimbrava::WorldspaceOutcome Outcome;
            std::optional<ResolvedFile> File;
            std::string Note; // what could not be told here
            bool Problem;     // a Warning or Error line, or a file that could not be checked
            // Why: for an ID no section takes, the lines that look as if they meant it; for one whose
            // section falls back, that section's FileName and its problems.
            std::vector<Reason> Why{};
        };

        Decision Decide(const std::filesystem::path& enbseries, const Orvel::IniInterface* document,
                        const std::exception_ptr& loadFailure, const ConfigReport* report, std::uint32_t id)
        {
            PlayerFolderSite site(enbseries, document, loadFailure);
            // ENB's callback changes nothing for 0; the plugin's start-up run is what shows it.
            Decision decision{
                id,          {}, id == 0 ? Nimbrava::UpdateWeatherlist(0, site) : Nimbrava::ChangeWorldspace(id, site),
                site.File(), "", false};
            decision.Problem = std::ranges::any_of(decision.Outcome.Lines, [](const Nimbrava::LogLine& line) {
                return line.Level != Orvel::LogLevel::Message;
            });
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
            const auto& choice = decision.Outcome.Choice;
            if (report != nullptr && id != 0 && !choice.Chosen())
                decision.Why = NearMisses(*report, Nimbrava::MaskWorldspaceId(id));
            else if (report != nullptr && id != 0 && decision.Problem)
                decision.Why = FallbackReasons(*report, choice.Section);
            return decision;
        }

        // A worldspace ID as ENB reports it: one hexadecimal number of at most 32 bits, nothing after it.
        std::optional<std::uint32_t> ReadHexId(std::string_view text)
        {
            std::size_t end = 0;
            const auto id = Orvel::ParseHexNumber(text, end);
            if (!id || end != text.size())
                return std::nullopt;
            return *id;
        }

        // A worldspace given by its ID or, failing that, by its editor ID (ignoring case), as the run-time
        // form ID ENB reports. Nothing, with `why` set, for an editor ID that several worldspaces have.
        std::optional<std::uint32_t> ResolveWorldspace(std::string_view text,
                                                       const std::vector<GameData::Worldspace>& worldspaces,
                                                       std::string& why)
        {
            if (const auto id = ReadHexId(text))
                return id;
            std::vector<const GameData::Worldspace*> named;
            for (const auto& worldspace : worldspaces)
                if (Orvel::EqualIgnoringCase(worldspace.EditorId, text))
                    named.push_back(&worldspace);
            if (named.size() > 1)
            {
                why = fmt::format("the editor ID {} is used by {} worldspaces:", text, named.size());
                for (const auto* worldspace : named)
                    why +=
                        fmt::format(" {:08X} {} of {};", worldspace->FormId, worldspace->EditorId, worldspace->Plugin);
                why += " give the ID instead";
                return std::nullopt;
            }
            if (named.empty())
                return std::nullopt;
            return named.front()->FormId;
        }

        // "MESSAGE", "WARNING", ... as the log's tag names the level.
        std::string_view LevelName(Orvel::LogLevel level)
        {
            std::string_view tag = Orvel::LevelTag(level);
            tag.remove_prefix(std::min(tag.find_first_not_of(" ["), tag.size()));
            return tag.substr(0, tag.find(']'));
        }

        // The weather list in force after the change; nothing when it cannot be told.
        std::optional<std::string> InForce(const std::filesystem::path& enbseries, const Decision& decision)
        {
            if (decision.Id == 0)
                return std::nullopt; // whatever was in force before
            switch (decision.Outcome.Path)
            {
            case Nimbrava::InForce::Chosen:
                return GameData::Utf8Text(decision.File->Path);
            case Nimbrava::InForce::Unknown:
                return std::nullopt;
            case Nimbrava::InForce::Default:
                break;
            }
            return GameData::Utf8Text(enbseries / "_weatherlist.ini");
        }

        void WriteText(const std::filesystem::path& enbseries, const Decision& decision, std::ostream& out)
        {
            const auto& choice = decision.Outcome.Choice;
            std::string named;
            for (const auto& worldspace : decision.Named)
                named += (named.empty() ? ", " : "; ") + Describe(worldspace);
            out << fmt::format("Worldspace {:X} (the plugin compares {:X}{}): ", decision.Id,
                               Nimbrava::MaskWorldspaceId(decision.Id), named);
            if (decision.Id == 0)
                out << "no change\n";
            else if (!choice.Chosen())
                out << "no section takes it, ENB's own _weatherlist.ini stays in force\n";
            else
                out << fmt::format("[WEATHERLIST{:02}] names '{}', {}\n", choice.Section, Printable(choice.ShownName),
                                   Describe(decision.File->State));
            for (const auto& line : decision.Outcome.Lines)
                out << fmt::format("  {:<9} {}\n", fmt::format("[{}]", LevelName(line.Level)), Printable(line.Text));
            if (!decision.Note.empty())
                out << "  (" << decision.Note << ")\n";
            if (const auto path = InForce(enbseries, decision))
                out << "  in force: " << PrintableText(*path) << "\n";
            if (decision.Id != 0 && !choice.Chosen() && decision.Why.empty())
                out << "  No line of the file lists it.\n";
            else if (decision.Id != 0 && !choice.Chosen() && decision.Why.front().Line == 0)
                out << "  Why not:\n";
            else if (decision.Id != 0 && !choice.Chosen())
                out << "  Why not: these lines look as if they meant it:\n";
            else if (!decision.Why.empty())
                out << "  Why:\n";
            for (const auto& reason : decision.Why)
            {
                if (reason.Line == 0)
                    out << "    the whole file:\n";
                else
                    out << fmt::format("    line {}: {}\n", reason.Line, reason.Text);
                for (const auto& problem : reason.Problems)
                    out << fmt::format("      [{}] {}\n", problem.Code, problem.Message);
            }
        }

        Json ToJson(const std::filesystem::path& enbseries, const Decision& decision)
        {
            const auto& choice = decision.Outcome.Choice;
            Json log = Json::array();
            for (const auto& line : decision.Outcome.Lines)
                log.push_back({{"level", LevelName(line.Level)}, {"text", Printable(line.Text)}});
            const auto path = InForce(enbseries, decision);
            Json json = {{"id", decision.Id},
                         {"masked", Nimbrava::MaskWorldspaceId(decision.Id)},
                         {"section", choice.Chosen() ? Json(fmt::format("WEATHERLIST{:02}", choice.Section)) : Json()},
                         {"shown_name", choice.Chosen() ? Json(Printable(choice.ShownName)) : Json()},
                         {"file", decision.File ? Json(JsonName(decision.File->State)) : Json()},
                         {"in_force", path ? Json(*path) : Json()},
                         {"log", log}};
            if (!decision.Note.empty())
                json["note"] = decision.Note;
            Json& why = json["why"] = Json::array();
            for (const auto& reason : decision.Why)
            {
                Json problems = Json::array();
                for (const auto& problem : reason.Problems)
                    problems.push_back({{"code", problem.Code}, {"message", problem.Message}});
                why.push_back({{"line", reason.Line}, {"text", reason.Text}, {"problems", problems}});
            }
            if (!decision.Named.empty())
            {
                Json& worldspaces = json["worldspaces"] = Json::array();
                for (const auto& worldspace : decision.Named)
                    worldspaces.push_back(NimbravaCheck::ToJson(worldspace));
            }
            return json;
        }
    } // namespace

    int RunWorldspaces(const std::filesystem::path& configuration, const std::vector<std::string>& worldspaces,
                       const GameOptions& options, const Output& output)
    {
        const auto opened = OpenConfiguration(configuration, options, output.Err);
        if (!opened)
            return ExitUnreadable;
        const auto* file = &opened->File;
        const auto enbseries = file->parent_path();
        const auto& game = opened->Game;
        std::string why;
        // Each argument may list several, separated by commas.
        std::vector<std::string> given;
        for (const auto& argument : worldspaces)
            for (std::size_t at = 0; at <= argument.size();)
            {
                const std::size_t comma = std::min(argument.find(',', at), argument.size());
                if (comma > at)
                    given.push_back(argument.substr(at, comma - at));
                at = comma + 1;
            }
        std::vector<std::uint32_t> ids;
        for (const auto& text : given)
        {
            const auto id = game ? ResolveWorldspace(text, game->Worldspaces.Worldspaces, why) : ReadHexId(text);
            if (!id && why.empty())
                why = fmt::format("not a worldspace ID (hexadecimal, at most FFFFFFFF){}: {}{}",
                                  game ? " nor an editor ID of the load order" : "", text,
                                  game ? ""
                                       : " (editor IDs need the game's data: Data beside the enbseries folder, "
                                         "or --game)");
            if (!why.empty())
            {
                output.Err << "nimbrava-check: " << why << "\n";
                return ExitUnreadable;
            }
            ids.push_back(*id);
        }
        // The plugin reads the configuration only for a known worldspace, never for ID 0.
        const bool needed = std::ranges::any_of(ids, [](std::uint32_t id) { return id != 0; });
        std::optional<Orvel::IniInterface> document;
        std::exception_ptr loadFailure;
        try
        {
            if (needed)
                document.emplace(*file);
        }
        catch (const Orvel::GenericException& failure)
        {
            loadFailure = std::current_exception();
            output.Err << "nimbrava-check: " << failure.what() << "\n";
        }

        if (game && !output.Json)
            output.Out << "Worldspaces of " << LoadOrderSource(*game) << "\n";
        // What the configuration check says, for the reasons behind each decision.
        std::optional<ConfigReport> report;
        if (document)
            report = CheckConfiguration(*file, game ? &*game : nullptr);

        bool problem = false;
        Json decisions = Json::array();
        for (const std::uint32_t id : ids)
        {
            Decision decision =
                Decide(enbseries, document ? &*document : nullptr, loadFailure, report ? &*report : nullptr, id);
            if (game && id != 0)
                for (const auto& worldspace : game->Worldspaces.Worldspaces)
                    if (worldspace.MaskedId() == Nimbrava::MaskWorldspaceId(id))
                        decision.Named.push_back(worldspace);
            problem = problem || decision.Problem;
            if (output.Json)
                decisions.push_back(ToJson(enbseries, decision));
            else
                WriteText(enbseries, decision, output.Out);
        }
        if (output.Json)
            WriteJson(output.Out, {{"decisions", decisions}});
        if (needed && !document)
            return ExitUnreadable;
        return problem ? ExitProblems : ExitGood;
    }
} // namespace NimbravaCheck
