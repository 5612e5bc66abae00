// FileName as the plugin reads and looks it up: missing, empty, changed by an escape, leading to no
// regular file, or saved as UTF-8.

#include <algorithm>
#include <fmt/format.h>
#include <optional>
#include <vector>
#include "Orvel/Ascii.h"
#include "Choice/WeatherlistChoice.h"
#include "Choice/WeatherlistMessages.h"
#include "GameData/Text.h"
#include "checks/EditDistance.h"
#include "checks/Passes.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        using Nimbrava::Messages::LoadFailedOpening;
        using Nimbrava::Messages::NotFoundOpening;

        // Whether a quoted part of the raw value holds a backslash that is no doubled backslash: an
        // escape that changes the name (\w gives w, \x gives '?').
        bool SingleBackslashInQuotes(std::string_view raw)
        {
            bool inside = false;
            for (std::size_t i = 0; i < raw.size(); ++i)
            {
                if (raw[i] == '"')
                    inside = !inside;
                else if (!inside && raw[i] == ';')
                    return false;
                else if (inside && raw[i] == '\\')
                {
                    if (i + 1 < raw.size() && raw[i + 1] == '\\')
                        ++i;
                    else
                        return true;
                }
            }
            return false;
        }

        // Whether a name the game's code page leads nowhere is UTF-8 text, as an editor saving the file
        // as UTF-8 writes it; then that is the finding. A name that is no text in the code page (a
        // double-byte one) fails the plugin's whole run, which the text says, whether or not the UTF-8
        // reading names a file; one that is text there is told only when the UTF-8 reading names a
        // regular file, since many UTF-8 byte pairs are also plain letters of a single-byte page.
        bool SavedAsUtf8(const Configuration& config, const WeatherlistSection& section, const CheckContext& context,
                         FindingWriter& findings)
        {
            const std::string_view bytes = section.ShownName;
            const auto& codePage = context.CodePage.Number();
            if (!codePage || std::ranges::none_of(bytes, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                return false;
            const auto utf8 = DecodeCodePage(bytes, 65001);
            if (!utf8)
                return false;
            const bool named = ResolveUtf8FileName(config.Enbseries(), bytes, context).State == FileState::RegularFile;
            const std::string name = section.Name();
            if (section.File.State == FileState::BadText)
                findings.Add<Code::Utf8Name>(*section.FileNameLine, {{name}}, name,
                                             fmt::format(Phrases::Utf8NameNoText, *codePage, LoadFailedOpening,
                                                         PrintableText(*utf8), named ? "" : ", which is missing too"));
            else if (named)
                findings.Add<Code::Utf8Name>(*section.FileNameLine, {{name}}, name,
                                             fmt::format(Phrases::Utf8NameOther, context.CodePage.Show(bytes),
                                                         *codePage, Describe(section.File.State),
                                                         PrintableText(*utf8)));
            return section.File.State == FileState::BadText || named;
        }

        // What follows the finding of a FileName that leads to no file: that it names ENB's own list,
        // missing as well; or the regular file of the same folder whose name is close to it (two
        // characters apart at most, and fewer than half of the name), as the name would be written.
        std::string Afterwards(const Configuration& config, const WeatherlistSection& section,
                               const ResolvedFile& resolved, const std::string& shown)
        {
            std::error_code error;
            if (!resolved.Path.empty() &&
                resolved.Path.lexically_normal() == (config.Enbseries() / "_weatherlist.ini").lexically_normal())
                return Phrases::OwnListMissing;
            if (section.File.State != FileState::Missing || resolved.Path.empty())
                return "";
            const std::string wanted = GameData::Utf8Text(resolved.Path.filename());
            std::optional<std::pair<std::size_t, std::string>> best;
            for (std::filesystem::directory_iterator it(resolved.Path.parent_path(), error), end; !error && it != end;
                 it.increment(error))
            {
                const std::string name = GameData::Utf8Text(it->path().filename());
                const std::size_t distance = EditDistance(name, wanted);
                if (distance <= 2 && distance * 2 < wanted.size() && it->is_regular_file(error) &&
                    (!best || distance < best->first))
                    best.emplace(distance, name);
            }
            if (!best)
                return "";
            const std::size_t folder = shown.find_last_of("\\/");
            return fmt::format(Phrases::CloseName, (folder == std::string::npos ? "" : shown.substr(0, folder + 1)) +
                                                       PrintableText(best->second));
        }

        void CheckFileName(const Configuration& config, const WeatherlistSection& section, const CheckContext& context,
                           FindingWriter& findings)
        {
            const std::string name = section.Name();
            if (!section.FileNameLine)
            {
                findings.Add<Code::MissingFileName>(section.Line, {{name}}, name, NotFoundOpening);
                return;
            }
            const std::size_t at = *section.FileNameLine;
            const auto* line = config.Lines.Entry(section.Index, Nimbrava::FileNameKey);
            const std::string shown = context.CodePage.Show(section.ShownName);
            if (line != nullptr && SingleBackslashInQuotes(line->RawValue))
                findings.Add<Code::QuotedBackslash>(at, {{name}}, name, shown);
            const ResolvedFile& resolved = section.File;
            if (section.ShownName.empty())
                findings.Add<Code::EmptyFileName>(at, {{name}}, name, NotFoundOpening);
            else if (resolved.State == FileState::NotCheckable)
                findings.Add<Code::FileNotCheckable>(at, {{name}}, shown, name, resolved.Why);
            else if (resolved.State == FileState::RegularFile || SavedAsUtf8(config, section, context, findings))
                return;
            else if (resolved.State == FileState::BadText)
                findings.Add<Code::FileBadText>(at, {{name}}, shown, name, resolved.Why, LoadFailedOpening);
            else
            {
                const std::string why = resolved.Why.empty() ? "" : " (" + resolved.Why + ")";
                const std::string path =
                    resolved.Path.empty() ? "" : " (" + PrintableText(GameData::Utf8Text(resolved.Path)) + ")";
                // Every other state has a finding of its own, which the table of states gives.
                findings.AddAs<Code::FileMissing>(*NotThereCode(resolved.State), at, {{name}}, shown, name,
                                                  Describe(resolved.State), why, path, NotFoundOpening,
                                                  Afterwards(config, section, resolved, shown));
            }
        }

    } // namespace

    void CheckFileNames(ConfigReport& report, const Configuration& config, const CheckContext& context,
                        FindingWriter& findings)
    {
        for (const auto& section : report.Sections)
            CheckFileName(config, section, context, findings);
    }
} // namespace NimbravaCheck
