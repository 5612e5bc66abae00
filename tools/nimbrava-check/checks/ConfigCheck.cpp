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
        // The load order's problems first, then the file's by line, each line's in the passes' order,
        // then the weather lists' in the order their pass gives them.
        std::ranges::stable_sort(report.Findings, {}, [](const Finding& finding) {
            const Topic topic = finding.Row().About;
            const int rank = topic == Topic::LoadOrder ? 0 : topic == Topic::Configuration ? 1 : 2;
            return std::pair(rank, topic == Topic::Configuration ? finding.Line.value_or(0) : 0);
        });
        return report;
    }
} // namespace NimbravaCheck
