#include "GameData/DamagedFile.h"

#include <fmt/format.h>

namespace GameData
{
    DamagedFileError::DamagedFileError(std::string_view file, std::uint64_t offset, std::string_view what)
        : std::runtime_error(fmt::format("{}: {} (at offset 0x{:X})", file, what, offset)), m_offset(offset)
    {
    }
} // namespace GameData
