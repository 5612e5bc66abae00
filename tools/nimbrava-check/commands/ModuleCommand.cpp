// --module: whether the plugin can work with a d3d11.dll.

#include <fmt/format.h>
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "checks/ModuleCheck.h"
#include "commands/Commands.h"
#include "commands/Json.h"
#include "commands/Reports.h"

namespace NimbravaCheck
{
    namespace
    {
        // The whole file; throws ModuleFormatError when it cannot be read.
        std::string ReadModule(const std::filesystem::path& path)
        {
            try
            {
                return GameData::ReadWholeFile(path, DefaultMaximumImageSize);
            }
            catch (const GameData::FileReadError& error)
            {
                throw ModuleFormatError(error.Why() == GameData::FileReadError::Reason::TooLarge
                                            ? "is larger than any module this tool reads"
                                            : error.what());
            }
        }

        Json ToJson(const std::filesystem::path& path, const ModuleReport& report)
        {
            Json json = {{"path", GameData::Utf8Text(path)},
                         {"usable", report.Usable()},
                         {"verdict", Verdict(report)},
                         {"bits", report.Is64Bit ? 64 : 32}};
            Json& exports = json["exports"] = Json::object();
            for (std::size_t i = 0; i < EnbExports.size(); ++i)
                exports[std::string(EnbExports[i])] = report.Exported[i];
            for (std::size_t i = 0; i < PatchedImports.size(); ++i)
            {
                Json& slot = json[std::string(PatchedImports[i])];
                if (report.Slots[i])
                    slot = {{"dll", report.Slots[i]->Dll}, {"slot_rva", report.Slots[i]->SlotRva}};
            }
            json["reasons"] = TextsJson(report.Problems);
            return json;
        }

        void WriteText(const std::filesystem::path& path, const ModuleReport& report, bool verbose, std::ostream& out)
        {
            out << GameData::Utf8Text(path) << ": " << Verdict(report) << "\n";
            if (!verbose)
                return;
            std::size_t exported = 0;
            for (const bool present : report.Exported)
                exported += present ? 1 : 0;
            out << fmt::format("  {}-bit module; {} of the {} ENB functions exported\n", report.Is64Bit ? 64 : 32,
                               exported, EnbExports.size());
            for (std::size_t i = 0; i < PatchedImports.size(); ++i)
                if (const auto& slot = report.Slots[i])
                    out << fmt::format("  {} imported from {}, slot at RVA {:#x}\n", PatchedImports[i], slot->Dll,
                                       slot->SlotRva);
            WriteFindings(out, report.Problems,
                          {.Heading = false, .Place = false, .Indent = "  problem: ", .Code = false});
        }
    } // namespace

    int RunModule(const Request& request, const Output& output)
    {
        const auto& path = request.Target;
        try
        {
            const std::string bytes = ReadModule(path);
            const MappedImage image = MapImage(std::as_bytes(std::span(bytes)));
            const ModuleReport report = CheckModule(image);
            if (output.Json)
                WriteJson(output.Out, ToJson(path, report));
            else
                WriteText(path, report, output.Verbose, output.Out);
            return report.Usable() ? ExitGood : ExitProblems;
        }
        catch (const ModuleFormatError& error)
        {
            if (output.Json)
                WriteJson(output.Out, {{"path", GameData::Utf8Text(path)}, {"error", error.what()}});
            WriteError(output.Err, GameData::Utf8Text(path) + ": " + error.what());
            return ExitUnreadable;
        }
    }
} // namespace NimbravaCheck
