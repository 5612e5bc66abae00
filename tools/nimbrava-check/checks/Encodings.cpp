// How the file was saved: as UTF-16, or with a UTF-8 byte-order mark.

#include "checks/Passes.h"

namespace NimbravaCheck
{
    namespace
    {
        // UTF-16 ("Unicode" in Notepad): its byte-order mark, or a NUL in every other byte of the
        // first bytes, when they are mostly ASCII.
        bool IsUtf16(std::string_view bytes)
        {
            const std::string_view start = bytes.substr(0, 64);
            if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF"))
                return true;
            std::size_t pairs = 0;
            std::size_t halfNul = 0;
            for (std::size_t i = 0; i + 1 < start.size(); i += 2)
            {
                ++pairs;
                if ((start[i] == '\0') != (start[i + 1] == '\0'))
                    ++halfNul;
            }
            return pairs >= 2 && halfNul * 4 >= pairs * 3;
        }
    } // namespace

    bool CheckEncoding(const Configuration& config, const CheckContext& context, FindingWriter& findings)
    {
        if (IsUtf16(config.Bytes))
        {
            // The plugin reads the bytes as they are and finds nothing it knows: one problem, not one
            // per line.
            findings.Add<Code::Utf16File>(std::nullopt, {});
            return true;
        }
        // The mark harms only a header or a key on line 1; before a comment it does nothing.
        const auto afterMark = config.AfterByteOrderMark();
        if (afterMark && afterMark->starts_with('['))
        {
            const std::size_t close = afterMark->find(']');
            const std::string_view header =
                close == std::string_view::npos ? *afterMark : afterMark->substr(0, close + 1);
            findings.Add<Code::ByteOrderMark>(1, {},
                                              fmt::format(Phrases::ByteOrderMarkHeader, context.CodePage.Show(header)));
        }
        else if (afterMark && config.Lines.FirstLineKind() != Orvel::IniLine::Kind::Ignored)
            findings.Add<Code::ByteOrderMark>(1, {}, Phrases::ByteOrderMarkKey);
        return false;
    }
} // namespace NimbravaCheck
