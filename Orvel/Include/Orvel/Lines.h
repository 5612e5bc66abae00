#pragma once
// The lines of a text read whole, as the game's and the tools' line-based files are read: split at LF,
// a CR before the LF left out (files saved with CR LF), and no empty line after a final LF.

#include <algorithm>
#include <string_view>
#include <vector>

namespace Orvel
{
    // The lines of `text`, as views into it. Only exhausted memory throws.
    [[nodiscard]] inline std::vector<std::string_view> Lines(std::string_view text)
    {
        std::vector<std::string_view> lines;
        for (std::size_t at = 0; at < text.size();)
        {
            const std::size_t end = std::min(text.find('\n', at), text.size());
            std::string_view line = text.substr(at, end - at);
            if (line.ends_with('\r'))
                line.remove_suffix(1);
            lines.push_back(line);
            at = end + 1;
        }
        return lines;
    }
} // namespace Orvel
