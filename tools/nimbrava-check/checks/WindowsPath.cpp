#include "checks/WindowsPath.h"

#include <algorithm>
#include "Orvel/Ascii.h"
#include "checks/Detail/WindowsNames.h"

namespace NimbravaCheck
{
    namespace
    {
        struct StateNames
        {
            FileState State;
            std::string_view Phrase;
            std::string_view Json;
            std::optional<Code> NotThere;
        };

        constexpr StateNames States[] = {
            {FileState::RegularFile, "a regular file", "regular_file", std::nullopt},
            {FileState::Missing, "missing", "missing", Code::FileMissing},
            {FileState::Directory, "a directory", "directory", Code::FileDirectory},
            {FileState::OtherFile, "not a regular file", "other", Code::FileNotRegular},
            {FileState::InvalidName, "not a valid file name", "invalid_name", Code::FileInvalidName},
            {FileState::BadText, "not representable in the game's code page", "bad_text", std::nullopt},
            {FileState::NotCheckable, "not checkable here", "not_checkable", std::nullopt},
        };

        const StateNames& NamesOf(FileState state) noexcept
        {
            return *std::ranges::find(States, state, &StateNames::State);
        }
    } // namespace

    std::string_view Describe(FileState state) noexcept
    {
        return NamesOf(state).Phrase;
    }

    std::string_view JsonName(FileState state) noexcept
    {
        return NamesOf(state).Json;
    }

    std::optional<Code> NotThereCode(FileState state) noexcept
    {
        return NamesOf(state).NotThere;
    }

    namespace Detail
    {
        FileState StateOf(const std::filesystem::path& path, std::string& why)
        {
            std::error_code error;
            const auto status = std::filesystem::status(path, error);
            switch (status.type())
            {
            case std::filesystem::file_type::regular:
                return FileState::RegularFile;
            case std::filesystem::file_type::directory:
                return FileState::Directory;
            case std::filesystem::file_type::not_found:
                return FileState::Missing;
            case std::filesystem::file_type::none:
                why = error.message();
                return StateOfStatusError(error);
            default:
                why = "it exists but is no regular file";
                return FileState::OtherFile;
            }
        }

        bool InvalidCharacter(std::string_view path, ResolvedFile& result)
        {
            for (const char c : path)
            {
                const auto byte = static_cast<unsigned char>(c);
                if (byte >= 0x20 && std::string_view("<>:\"|?*").find(c) == std::string_view::npos)
                    continue;
                result.State = FileState::InvalidName;
                result.Why =
                    (byte < 0x20 ? "the control character " + std::to_string(byte) : "'" + std::string(1, c) + "'") +
                    " cannot stand in a Windows file name";
                return true;
            }
            return false;
        }

        bool IsDeviceName(std::string_view component)
        {
            std::string stem(component.substr(0, component.find('.')));
            while (!stem.empty() && stem.back() == ' ')
                stem.pop_back();
            for (auto& c : stem)
                c = Orvel::ToLower(c);
            if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul")
                return true;
            return stem.size() == 4 && (stem.starts_with("com") || stem.starts_with("lpt")) && stem[3] >= '1' &&
                   stem[3] <= '9';
        }
    } // namespace Detail

    std::filesystem::path UnderEnbseries(const std::filesystem::path& file, const std::filesystem::path& enbseries)
    {
        std::error_code error;
        const auto whole = std::filesystem::absolute(file, error).lexically_normal();
        const auto inside = whole.lexically_relative(std::filesystem::absolute(enbseries, error).lexically_normal());
        return inside.empty() || *inside.begin() == ".." ? whole : inside;
    }
} // namespace NimbravaCheck
