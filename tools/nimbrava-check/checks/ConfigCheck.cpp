#include "checks/ConfigCheck.h"

#include <algorithm>
#include "checks/Passes.h"

namespace NimbravaCheck
{
    ConfigReport CheckConfiguration(const Configuration& config, const CheckContext& context)
    {
        ConfigReport report;
        FindingWriter findings(report.Findings, config.File);
        if (CheckEncoding(config, context, findings))
            return report;
        report.Sections = ReadSections(config, context);
        for (const Pass pass : Passes)
            pass(report, config, context, findings);
        // The load order's problems first, then the file's by line, each line's in the passes' order.
        std::ranges::stable_sort(report.Findings, {}, [](const Finding& finding) {
            return std::pair(finding.Row().About != Topic::LoadOrder, finding.Line.value_or(0));
        });
        return report;
    }
} // namespace NimbravaCheck
