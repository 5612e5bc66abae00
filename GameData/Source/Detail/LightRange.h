#pragma once
// The records of one kind that a light plugin adds outside the range of its IDs: the game gives them
// no form ID (RunTimeFormId), so they are left out, and told once per plugin and kind.

#include <optional>
#include <string>
#include <vector>
#include "GameData/FormId.h"
#include "GameData/Problems.h"
#include "GameData/Text.h"

namespace GameData::Detail
{
    class LightRangeCounter
    {
    public:
        // `plugin`, the plugin being read, must outlive the counter; `record` names the kind
        // (LightIdOutOfRange::Record).
        LightRangeCounter(const LoadedPlugin& plugin, std::string record)
            : m_plugin(plugin), m_record(std::move(record))
        {
        }

        // The run-time form ID of `inFileId`, which `adder` adds (RunTimeFormId); a record that the plugin
        // being read adds, light, and gets none of is counted.
        std::optional<std::uint32_t> FormId(const LoadedPlugin& adder, std::uint32_t inFileId)
        {
            const auto formId = RunTimeFormId(adder, inFileId);
            if (formId || &adder != &m_plugin || !m_plugin.Light || !m_plugin.File)
                return formId;
            if (m_count++ == 0)
                m_first = inFileId;
            return formId;
        }

        // Adds what was counted, if anything, to `problems`.
        void Report(std::vector<Problem>& problems) const
        {
            if (m_count > 0)
                problems.emplace_back(LightIdOutOfRange{Cp1252ToUtf8(m_plugin.Name), m_record, m_first, m_count,
                                                        LowestLightObjectId(m_plugin.File->Header.Version),
                                                        m_plugin.File->Header.Version});
        }

    private:
        const LoadedPlugin& m_plugin;
        std::string m_record;
        std::size_t m_count = 0;
        std::uint32_t m_first = 0; // the first one's form ID as written
    };
} // namespace GameData::Detail
