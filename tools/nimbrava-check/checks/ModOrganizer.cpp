#include "checks/ModOrganizer.h"

#include <algorithm>
#include <map>
#include "GameData/Text.h"
#include "GameData/WholeFile.h"
#include "Orvel/Ascii.h"
#include "Orvel/Lines.h"
#include "checks/InputError.h"
#include "checks/WindowsPath.h"

namespace NimbravaCheck
{
    namespace
    {
        // A value as Qt's settings write it: "@ByteArray(...)" unwrapped, quotes removed, and the
        // escapes inside ("\\" for a backslash, "\"" for a quote) read.
        std::string QtValue(std::string_view value)
        {
            value = Orvel::Trimmed(value);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            constexpr std::string_view ByteArray = "@ByteArray(";
            if (value.starts_with(ByteArray) && value.ends_with(')'))
                value = value.substr(ByteArray.size(), value.size() - ByteArray.size() - 1);
            std::string text;
            for (std::size_t at = 0; at < value.size(); ++at)
                text += value[at] == '\\' && at + 1 < value.size() ? value[++at] : value[at];
            return text;
        }

        // The file's lines, CR LF read as LF. Throws InputError naming the file when it cannot be read.
        std::vector<std::string> Lines(const std::filesystem::path& file)
        {
            std::string text;
            try
            {
                text = GameData::ReadWholeFile(file, GameData::MaximumGameTextSize);
            }
            catch (const GameData::FileReadError& error)
            {
                throw InputError(GameData::Utf8Text(file) + " " + error.what());
            }
            const auto lines = Orvel::Lines(text);
            return {lines.begin(), lines.end()};
        }

        // "SECTION/key" to value of an INI file as Qt writes it (keys as written, case kept).
        std::map<std::string, std::string> IniValues(const std::filesystem::path& file)
        {
            std::map<std::string, std::string> values;
            std::string section;
            for (const auto& line : Lines(file))
            {
                const std::string_view text = Orvel::Trimmed(line);
                if (text.starts_with('[') && text.ends_with(']'))
                    section = text.substr(1, text.size() - 2);
                else if (const std::size_t equals = text.find('='); equals != std::string_view::npos)
                    values[section + "/" + std::string(Orvel::Trimmed(text.substr(0, equals)))] =
                        QtValue(text.substr(equals + 1));
            }
            return values;
        }

        // The entry `name` (a Windows path, UTF-8) below `base` as Windows finds it, when there is one.
        std::optional<std::filesystem::path> Find(const std::filesystem::path& base, std::string_view name,
                                                  const CheckContext& context)
        {
            const ResolvedFile found = ResolveUtf8FileName(base, name, context);
            if (found.State == FileState::RegularFile || found.State == FileState::Directory)
                return found.Path;
            return std::nullopt;
        }

        // A folder of ModOrganizer.ini's [Settings]: its value ("%BASE_DIR%" standing for `base`) or
        // `fallback` under `base`.
        std::filesystem::path SettingsFolder(const std::map<std::string, std::string>& ini, const std::string& key,
                                             std::string_view fallback, const std::filesystem::path& base,
                                             const CheckContext& context)
        {
            const auto value = ini.find("Settings/" + key);
            std::string text = value == ini.end() || value->second.empty() ? std::string(fallback) : value->second;
            constexpr std::string_view BaseDir = "%BASE_DIR%";
            if (Orvel::StartsWithIgnoringCase(text, BaseDir))
                text.erase(0, text.find_first_not_of("\\/", BaseDir.size()));
            if (text.empty() || text == ".")
                return base;
            return Find(base, text, context).value_or(base / GameData::Utf8Path(text));
        }
    } // namespace

    bool IsModOrganizerPluginsTxt(const std::filesystem::path& pluginsTxt)
    {
        std::error_code error;
        return std::filesystem::is_regular_file(pluginsTxt.parent_path() / "modlist.txt", error);
    }

    ModOrganizerProfile ReadModOrganizerProfile(const std::filesystem::path& folder, const CheckContext& context)
    {
        ModOrganizerProfile profile;
        profile.Profile = folder;
        const auto pluginsTxt = Find(folder, "plugins.txt", context);
        const auto modlist = Find(folder, "modlist.txt", context);
        if (!pluginsTxt || !modlist)
            throw InputError(GameData::Utf8Text(folder) +
                             " is no Mod Organizer 2 profile: it holds no plugins.txt and modlist.txt (give the "
                             "profile's own folder, <instance>/profiles/<name>)");
        profile.PluginsTxt = *pluginsTxt;
        std::filesystem::path whole = std::filesystem::absolute(folder).lexically_normal();
        if (whole.filename().empty()) // given with a separator at its end
            whole = whole.parent_path();
        profile.Instance = whole.parent_path().parent_path();
        const auto iniFile = Find(profile.Instance, "ModOrganizer.ini", context);
        if (!iniFile)
            throw InputError("no ModOrganizer.ini in " + GameData::Utf8Text(profile.Instance) +
                             ", two folders above the profile " + GameData::Utf8Text(folder));
        const auto ini = IniValues(*iniFile);

        if (const auto game = ini.find("General/gamePath"); game != ini.end() && !game->second.empty())
            profile.Game = Find(profile.Instance, game->second, context);
        const auto base = SettingsFolder(ini, "base_directory", ".", profile.Instance, context);
        const auto& mods = profile.Mods = SettingsFolder(ini, "mod_directory", "%BASE_DIR%/mods", base, context);
        const auto overwrite = SettingsFolder(ini, "overwrite_directory", "%BASE_DIR%/overwrite", base, context);

        profile.Overlay.DataLayers.push_back(overwrite);
        for (const auto& line : Lines(*modlist))
        {
            if (line.size() < 2 || line[0] != '+' || line.ends_with("_separator"))
                continue; // a comment, a disabled mod ('-'), the game's own content ('*'), a separator
            const std::string name = line.substr(1);
            if (const auto mod = Find(mods, name, context))
                profile.Overlay.DataLayers.push_back(*mod);
            else
                profile.MissingMods.push_back(name);
        }
        if (const auto settings = Find(folder, "settings.ini", context))
        {
            const auto values = IniValues(*settings);
            const auto local = values.find("General/LocalSettings");
            if (local != values.end() && Orvel::EqualIgnoringCase(local->second, "true"))
                profile.Overlay.IniFolder = folder;
        }
        return profile;
    }
} // namespace NimbravaCheck
