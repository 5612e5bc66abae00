// The lines the reader did not store: a key set again in a weatherlist section, a header without its
// ']', a line that is nothing the reader knows.

#include "Choice/WeatherlistChoice.h"
#include "checks/Passes.h"

namespace NimbravaCheck
{
    void CheckLines(ConfigReport&, const Configuration& config, const CheckContext& context, FindingWriter& findings)
    {
        using Kind = Orvel::IniLine::Kind;
        // A byte-order mark before a header or a comment turns line 1 into a line the reader ignores;
        // CheckEncoding tells of the header, and the comment stays one.
        const auto afterMark = config.AfterByteOrderMark();
        const bool markHidesLineOne =
            afterMark && (afterMark->empty() || afterMark->starts_with('[') || afterMark->starts_with(';'));
        for (const auto& other : config.Lines.Others())
        {
            if (other.What == Kind::DuplicateEntry)
            {
                const std::string& section = config.Document.Sections[other.Section].Name;
                const auto* first = config.Lines.Entry(other.Section, other.Key);
                if (Nimbrava::WeatherlistSectionNumber(section) != 0 && first != nullptr &&
                    (other.Key == Nimbrava::IdsKey || other.Key == Nimbrava::FileNameKey))
                    findings.Add<Code::DuplicateKey>(other.Line, {{section}}, other.Key, section, first->Line);
            }
            else if (other.What == Kind::BadHeader)
                findings.Add<Code::UnclosedHeader>(other.Line, {}, context.CodePage.Show(other.Text));
            else if (!(markHidesLineOne && other.Line == 1))
                findings.Add<Code::IgnoredLine>(other.Line, {}, context.CodePage.Show(other.Text));
        }
    }
} // namespace NimbravaCheck
