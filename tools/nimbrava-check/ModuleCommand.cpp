#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <optional>
#include "Commands.h"
#include "GameData/Text.h"
#include "Json.h"
#include "ModuleCheck.h"

namespace NimbravaCheck
{
    namespace
    {
        // The whole file; nothing when it cannot be read, with the reason in `why`.
        std::optional<std::vector<std::byte>> ReadWholeFile(const std::filesystem::path& path, std::string& why)
        {
            std::error_code error;
            if (std::filesystem::is_directory(path, error))
            {
                why = "is a directory";
                return std::nullopt;
            }
            std::ifstream stream(path, std::ios::binary);
            if (!stream)
            {
                why = std::filesystem::exists(path, error) ? "cannot be opened" : "does not exist";
                return std::nullopt;
            }
            // One read of the whole file: a d3d11.dll runs to megabytes.
            stream.seekg(0, std::ios::end);
            const auto size = static_cast<std::streamoff>(stream.tellg());
            stream.seekg(0);
            if (size > static_cast<std::streamoff>(DefaultMaximumImageSize))
            {
                why = "is larger than any module this tool reads";
                return std::nullopt;
            }
            std::vector<std::byte> bytes(size > 0 ? static_cast<std::size_t>(size) : 0);
            if (!bytes.empty())
                stream.read(reinterpret_cast<char*>(bytes.data()), size);
            if (!stream || size < 0)
            {
                why = "cannot be read";
                return std::nullopt;
            }
            return bytes;
        }

        // The one line a player needs: whether Nimbrava can work with the module, and if not, what it is.
        std::string Verdict(const ModuleReport& report)
        {
            if (!report.Is64Bit)
                return "a 32-bit module: Skyrim Special Edition and Nimbrava are 64-bit";
            std::string missing;
            for (std::size_t i = 0; i < EnbExports.size(); ++i)
                if (!report.Exported[i])
                    missing += (missing.empty() ? "" : ", ") + std::string(EnbExports[i]);
            if (std::ranges::none_of(report.Exported, [](bool exported) { return exported; }))
                return "not ENB: a d3d11.dll without ENB's functions (Windows' own, or another wrapper); Nimbrava "
                       "does not load without ENB's";
            if (!missing.empty())
                return "not the ENB Nimbrava works with: it lacks " + missing +
                       ", and Nimbrava does not load "
                       "without them";
            if (!report.Usable())
                return "ENB reads its files in a way Nimbrava cannot follow: Nimbrava logs \"Initialization failed, "
                       "unable to inject hooks\" at start-up, and ENB reads the weather lists it chooses only in part, "
                       "or "
                       "not at all (see --verbose)";
            return "Nimbrava can work with this ENB";
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
            json["reasons"] = report.Reasons;
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
            for (const auto& reason : report.Reasons)
                out << "  problem: " << reason << "\n";
        }
    } // namespace

    int RunModule(const std::filesystem::path& path, const Output& output)
    {
        std::string why;
        const auto bytes = ReadWholeFile(path, why);
        try
        {
            if (!bytes)
                throw ModuleFormatError(why);
            const MappedImage image = MapImage(*bytes);
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
            output.Err << "nimbrava-check: " << GameData::Utf8Text(path) << ": " << error.what() << "\n";
            return ExitUnreadable;
        }
    }
} // namespace NimbravaCheck
