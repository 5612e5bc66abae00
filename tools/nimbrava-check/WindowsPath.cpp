#include "WindowsPath.h"

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <utility>
#include <vector>
#include "GameText.h"
#include "Orvel/Ascii.h"
#ifdef _WIN32
#include <windows.h>
#include "Files/CodePage.h"
#include "Files/RegularFile.h"
#endif

namespace NimbravaCheck
{
    namespace
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
#ifdef _WIN32
                if (error.value() == ERROR_INVALID_NAME || error.value() == ERROR_BAD_PATHNAME)
                    return FileState::InvalidName;
#endif
                return FileState::NotCheckable;
            default:
                why = "it exists but is no regular file";
                return FileState::OtherFile;
            }
        }

        // Whether `path` (without its drive) holds a character that no Windows file name holds, which
        // the plugin's file test says no to; Windows reports such names as invalid, Wine as missing.
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

        // CON, NUL, COM1 ... name devices in every folder, with any extension: Windows finds one there,
        // and it is no regular file (Wine finds nothing).
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

#ifdef _WIN32
        ResolvedFile Resolve(const std::filesystem::path& enbseries, std::string_view name, unsigned codePage)
        {
            ResolvedFile result;
            std::wstring wide;
            // The plugin's own conversion: no byte without its character.
            try
            {
                wide = Nimbrava::NarrowToWide(name, codePage);
            }
            catch (const std::system_error&)
            {
                result.State = FileState::BadText;
                result.Why = "not valid text in code page " + std::to_string(codePage);
                return result;
            }
            // A drive ("C:") or a device prefix (\\?\ or \\.\ before the path) is no part of a file name.
            std::string_view names = name;
            if (names.starts_with("\\\\?\\") || names.starts_with("\\\\.\\"))
                names.remove_prefix(4);
            if (names.size() >= 2 && names[1] == ':')
                names.remove_prefix(2);
            if (InvalidCharacter(names, result))
                return result;
            const std::string_view last = names.substr(std::min(names.find_last_of("\\/") + 1, names.size()));
            if (IsDeviceName(last))
            {
                result.State = FileState::OtherFile;
                result.Why = Printable(last) + " names a device";
                return result;
            }
            result.Path = enbseries / wide;
            // The plugin's own file test decides; the status only says what else is there.
            try
            {
                if (Nimbrava::IsRegularFile(result.Path))
                {
                    result.State = FileState::RegularFile;
                    return result;
                }
            }
            catch (const std::filesystem::filesystem_error& error)
            {
                result.State = FileState::NotCheckable;
                result.Why = PrintableText(error.what()) +
                             ": the plugin's file test fails, and it logs \"Unable to load "
                             "'_nimbrava.ini'\" and keeps the default";
                return result;
            }
            result.State = StateOf(result.Path, result.Why);
            if (result.State == FileState::RegularFile)
            {
                // The plugin says no where the status says yes: a NUL byte in the name, for one.
                result.State = FileState::OtherFile;
                result.Why = "the plugin's file test does not take this name";
            }
            return result;
        }
#else
        bool IsSeparator(char c) noexcept
        {
            return c == '\\' || c == '/';
        }

        using Orvel::EqualIgnoringCase;

        // The entry of `directory` named `component`: itself when it exists, otherwise the first entry
        // whose name matches ignoring case, as Wine finds it; `component` when there is none.
        std::filesystem::path Entry(const std::filesystem::path& directory, const std::string& component)
        {
            std::error_code error;
            const auto exact = directory / component;
            if (std::filesystem::exists(std::filesystem::symlink_status(exact, error)))
                return exact;
            for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end;
                 it.increment(error))
                if (EqualIgnoringCase(it->path().filename().native(), component))
                    return it->path();
            return exact;
        }

        // Where the name, as UTF-8 text, leads: the Unix file names Wine gives Windows names are UTF-8.
        ResolvedFile ResolveText(const std::filesystem::path& enbseries, std::string_view text)
        {
            ResolvedFile result;
            std::filesystem::path base;
            std::string_view rest = text;
            if (rest.size() >= 2 && IsSeparator(rest[0]) && IsSeparator(rest[1]))
            {
                result.Why = "a network path";
                return result;
            }
            if (rest.size() >= 2 && rest[1] == ':' && ((rest[0] | 0x20) >= 'a' && (rest[0] | 0x20) <= 'z'))
            {
                const char letter = rest[0];
                const char drive = Orvel::ToLower(letter);
                if (rest.size() == 2 || !IsSeparator(rest[2]))
                {
                    result.Why = "a path relative to the current folder of drive " + std::string(1, letter) + ":";
                    return result;
                }
                rest.remove_prefix(3);
                if (drive == 'z')
                    base = "/";
                else
                {
                    const char* prefix = std::getenv("WINEPREFIX");
                    std::error_code error;
                    const auto device = prefix != nullptr
                                            ? std::filesystem::path(prefix) / "dosdevices" / std::string{drive, ':'}
                                            : std::filesystem::path();
                    if (prefix == nullptr || !std::filesystem::is_directory(device, error))
                    {
                        result.Why = std::string("drive ") + letter +
                                     ": is not mapped here (only Z:, or a drive of $WINEPREFIX/dosdevices)";
                        return result;
                    }
                    base = device;
                }
            }
            else if (!rest.empty() && IsSeparator(rest[0]))
                base = "/"; // the root of the enbseries directory's drive, which Wine sees as Z:
            else
            {
                // "enbseries/" or "." would otherwise end in an empty or "." name, and the first ".."
                // would only take that off instead of leaving the folder.
                base = std::filesystem::absolute(enbseries).lexically_normal();
                if (!base.has_filename() && base.has_parent_path() && base != base.root_path())
                    base = base.parent_path();
            }

            if (InvalidCharacter(rest, result))
                return result;

            // Windows resolves "." and ".." by the text, and drops trailing dots and spaces of a name.
            std::vector<std::string> components;
            std::size_t at = 0;
            while (at <= rest.size())
            {
                const std::size_t end = std::min(rest.find_first_of("\\/", at), rest.size());
                std::string component(rest.substr(at, end - at));
                at = end + 1;
                if (component == "..")
                {
                    if (!components.empty())
                        components.pop_back();
                    else
                        base = base.parent_path();
                    continue;
                }
                while (!component.empty() && (component.back() == '.' || component.back() == ' '))
                    component.pop_back();
                if (!component.empty())
                    components.push_back(std::move(component));
            }

            if (!components.empty() && IsDeviceName(components.back()))
            {
                result.State = FileState::OtherFile;
                result.Why = PrintableText(components.back()) + " names a device";
                return result;
            }
            std::filesystem::path path = base;
            for (const auto& component : components)
                path = Entry(path, component);
            // An empty name, or one that ends in a separator, names the folder itself.
            result.Path = path;
            result.State = StateOf(path, result.Why);
            return result;
        }
#endif
    } // namespace

#ifdef _WIN32
    ResolvedFile ResolveFileName(const std::filesystem::path& enbseries, std::string_view name)
    {
        return Resolve(enbseries, name, Nimbrava::FileApiCodePage());
    }

    ResolvedFile ResolveUtf8FileName(const std::filesystem::path& enbseries, std::string_view name)
    {
        return Resolve(enbseries, name, 65001);
    }
#else
    ResolvedFile ResolveFileName(const std::filesystem::path& enbseries, std::string_view name)
    {
        // Bytes outside ASCII are characters of the game's code page, which the plugin converts
        // strictly.
        if (std::ranges::none_of(name, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            return ResolveText(enbseries, name);
        ResolvedFile result;
        const auto codePage = GameCodePage();
        if (!codePage)
        {
            result.Why = "it holds bytes outside ASCII, whose characters depend on the game's code page; give it "
                         "with --code-page (1252 for Western European Windows, 1251 for Cyrillic, ...), or check "
                         "with nimbrava-check.exe under the game's Wine or Proton";
            return result;
        }
        const auto text = DecodeCodePage(name, *codePage);
        if (!text)
        {
            result.State = FileState::BadText;
            result.Why = "not valid text in code page " + std::to_string(*codePage);
            return result;
        }
        return ResolveText(enbseries, *text);
    }

    ResolvedFile ResolveUtf8FileName(const std::filesystem::path& enbseries, std::string_view name)
    {
        return ResolveText(enbseries, name);
    }
#endif

    namespace
    {
        // What a state is called in the report and in JSON.
        std::pair<std::string_view, std::string_view> Names(FileState state) noexcept
        {
            switch (state)
            {
            case FileState::RegularFile:
                return {"a regular file", "regular_file"};
            case FileState::Missing:
                return {"missing", "missing"};
            case FileState::Directory:
                return {"a directory", "directory"};
            case FileState::OtherFile:
                return {"not a regular file", "other"};
            case FileState::InvalidName:
                return {"not a valid file name", "invalid_name"};
            case FileState::BadText:
                return {"not representable in the game's code page", "bad_text"};
            case FileState::NotCheckable:
                break;
            }
            return {"not checkable here", "not_checkable"};
        }
    } // namespace

    std::string_view Describe(FileState state) noexcept
    {
        return Names(state).first;
    }

    std::string_view JsonName(FileState state) noexcept
    {
        return Names(state).second;
    }
} // namespace NimbravaCheck
