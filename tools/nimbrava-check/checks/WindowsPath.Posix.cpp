// Outside Windows a FileName is still a Windows path, resolved as Wine resolves it: the name's bytes
// in the game's code page, '\' and '/' between names, case ignored, drives mapped where they can be.

#include <algorithm>
#include <vector>
#include "Orvel/Ascii.h"
#include "checks/Detail/WindowsNames.h"
#include "checks/WindowsPath.h"
#include "text/Printable.h"

namespace NimbravaCheck
{
    namespace
    {
        bool IsSeparator(char c) noexcept
        {
            return c == '\\' || c == '/';
        }

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
                if (Orvel::EqualIgnoringCase(it->path().filename().native(), component))
                    return it->path();
            return exact;
        }

        // Where a name that starts with a drive leads: the folder its path starts at, or nothing with
        // the reason in `result`. `rest` loses the drive.
        std::optional<std::filesystem::path> DriveFolder(std::string_view& rest, const std::filesystem::path& prefix,
                                                         ResolvedFile& result)
        {
            const char letter = rest[0];
            const char drive = Orvel::ToLower(letter);
            if (rest.size() == 2 || !IsSeparator(rest[2]))
            {
                result.Why = "a path relative to the current folder of drive " + std::string(1, letter) + ":";
                return std::nullopt;
            }
            rest.remove_prefix(3);
            if (drive == 'z')
                return std::filesystem::path("/");
            std::error_code error;
            const auto device = prefix.empty() ? prefix : prefix / "dosdevices" / std::string{drive, ':'};
            if (prefix.empty() || !std::filesystem::is_directory(device, error))
            {
                result.Why = std::string("drive ") + letter +
                             ": is not mapped here (only Z:, or a drive of $WINEPREFIX/dosdevices)";
                return std::nullopt;
            }
            return device;
        }

        // The names of the path after its start, as Windows takes them: "." and ".." resolved by the
        // text, trailing dots and spaces dropped. A ".." above the start moves `base` up.
        std::vector<std::string> Components(std::string_view rest, std::filesystem::path& base)
        {
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
            return components;
        }

        // Where the name, as UTF-8 text, leads: the Unix file names Wine gives Windows names are UTF-8.
        ResolvedFile ResolveText(const std::filesystem::path& enbseries, std::string_view text,
                                 const std::filesystem::path& prefix)
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
                const auto folder = DriveFolder(rest, prefix, result);
                if (!folder)
                    return result;
                base = *folder;
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

            if (Detail::InvalidCharacter(rest, result))
                return result;
            const auto components = Components(rest, base);
            if (!components.empty() && Detail::IsDeviceName(components.back()))
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
            result.State = Detail::StateOf(path, result.Why);
            return result;
        }
    } // namespace

    namespace Detail
    {
        FileState StateOfStatusError(const std::error_code&) noexcept
        {
            return FileState::NotCheckable;
        }
    } // namespace Detail

    ResolvedFile ResolveFileName(const std::filesystem::path& enbseries, std::string_view name,
                                 const CheckContext& context)
    {
        // Bytes outside ASCII are characters of the game's code page, which the plugin converts
        // strictly.
        if (std::ranges::none_of(name, [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
            return ResolveText(enbseries, name, context.WinePrefix);
        ResolvedFile result;
        if (!context.CodePage.Number())
        {
            result.Why = "it holds bytes outside ASCII, whose characters depend on the game's code page; give it "
                         "with --code-page (1252 for Western European Windows, 1251 for Cyrillic, ...), or check "
                         "with nimbrava-check.exe under the game's Wine or Proton";
            return result;
        }
        const auto text = context.CodePage.Decode(name);
        if (!text)
        {
            result.State = FileState::BadText;
            result.Why = "not valid text in code page " + std::to_string(*context.CodePage.Number());
            return result;
        }
        return ResolveText(enbseries, *text, context.WinePrefix);
    }

    ResolvedFile ResolveUtf8FileName(const std::filesystem::path& enbseries, std::string_view name,
                                     const CheckContext& context)
    {
        return ResolveText(enbseries, name, context.WinePrefix);
    }
} // namespace NimbravaCheck
