#include "Orvel/Ini.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <new>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>
#include "Orvel/Exceptions.h"
#include "Orvel/Parsing.h"

namespace Orvel
{
    namespace
    {
        std::string_view TrimLeft(std::string_view text) noexcept
        {
            std::size_t first = 0;
            while (first < text.size() && IsSpace(text[first]))
                ++first;
            return text.substr(first);
        }

        std::string_view TrimRight(std::string_view text) noexcept
        {
            std::size_t size = text.size();
            while (size > 0 && IsSpace(text[size - 1]))
                --size;
            return text.substr(0, size);
        }

        // The name of a section header line (first byte '['), or nothing when the line is no header:
        // "[name]" gives everything between the outer brackets, ']' included; "[name] rest" gives
        // the text up to the first ']'; a line without any ']' after the '[' is no header.
        std::optional<std::string_view> HeaderName(std::string_view line) noexcept
        {
            if (line.size() >= 2 && line.back() == ']')
                return line.substr(1, line.size() - 2);
            const std::size_t close = line.find(']', 1);
            if (close == std::string_view::npos)
                return std::nullopt;
            return line.substr(1, close - 1);
        }

        // The linear scan for a section name or an entry key: the index of the first item whose
        // string (as `get` gives it) has the bytes of `text`, or the item count. Numbered names
        // (SECTION01, SECTION02, ...) share their length and their beginning, so the last eight bytes are
        // compared first, one load for each item against one taken from `text` before the loop:
        // almost every other item is rejected without a call.
        template <typename Items, typename Get>
        std::size_t FindSameBytes(const Items& items, std::string_view text, Get get) noexcept
        {
            const std::size_t size = text.size();
            const std::size_t count = items.size();
            if (size >= 8)
            {
                std::uint64_t tail = 0;
                std::memcpy(&tail, text.data() + size - 8, 8);
                for (std::size_t i = 0; i < count; ++i)
                {
                    const std::string& stored = get(items[i]);
                    if (stored.size() != size)
                        continue;
                    std::uint64_t storedTail = 0;
                    std::memcpy(&storedTail, stored.data() + size - 8, 8);
                    if (storedTail == tail && std::memcmp(stored.data(), text.data(), size - 8) == 0)
                        return i;
                }
                return count;
            }
            for (std::size_t i = 0; i < count; ++i)
            {
                const std::string& stored = get(items[i]);
                if (stored.size() == size && std::char_traits<char>::compare(stored.data(), text.data(), size) == 0)
                    return i;
            }
            return count;
        }

        // Past this many sections, or entries in a section, the reader finds repeated names and keys
        // through a hash index instead of the linear scan: then no line costs more than this many
        // comparisons, and reading stays linear in the file. Below it, the scan is the faster one.
        constexpr std::size_t IndexFrom = 16;

        // A hash index of strings that live elsewhere: the names of sections, or the keys of every
        // section's entries. It holds item numbers, never views, since a string can move when its
        // vector grows (a short string moves its bytes with it). An item is (owner, number): the
        // section and the entry, or 0 and the section. Open addressing with linear probing, at
        // most half full.
        class StringIndex
        {
        public:
            static constexpr std::size_t None = static_cast<std::size_t>(-1);

            static std::uint64_t Hash(std::size_t owner, std::string_view text) noexcept
            {
                return std::hash<std::string_view>{}(text) ^ (owner * 0x9E3779B97F4A7C15u);
            }

            // The number of the item of `owner` whose string (as `get(owner, number)` gives it) has
            // the bytes of `text`, or None.
            template <typename Get>
            std::size_t Find(std::size_t owner, std::string_view text, std::uint64_t hash, Get get) const noexcept
            {
                if (m_slots.empty())
                    return None;
                for (std::size_t at = Start(hash);; at = (at + 1) & (m_slots.size() - 1))
                {
                    const Slot& slot = m_slots[at];
                    if (slot.Number == None)
                        return None;
                    if (slot.Hash == hash && slot.Owner == owner)
                    {
                        const std::string& stored = get(owner, slot.Number);
                        if (stored.size() == text.size() &&
                            std::char_traits<char>::compare(stored.data(), text.data(), text.size()) == 0)
                            return slot.Number;
                    }
                }
            }

            void Insert(std::size_t owner, std::size_t number, std::uint64_t hash)
            {
                if ((m_count + 1) * 2 > m_slots.size())
                    Grow();
                Place({hash, owner, number});
                ++m_count;
            }

        private:
            struct Slot
            {
                std::uint64_t Hash;
                std::size_t Owner;
                std::size_t Number;
            };

            std::size_t Start(std::uint64_t hash) const noexcept
            {
                // Fibonacci hashing: the high bits of the product depend on every bit of the hash.
                return static_cast<std::size_t>((hash * 0x9E3779B97F4A7C15u) >> m_shift);
            }

            void Place(const Slot& slot) noexcept
            {
                std::size_t at = Start(slot.Hash);
                while (m_slots[at].Number != None)
                    at = (at + 1) & (m_slots.size() - 1);
                m_slots[at] = slot;
            }

            void Grow()
            {
                std::vector<Slot> old(m_slots.empty() ? 64 : m_slots.size() * 2, Slot{0, 0, None});
                old.swap(m_slots);
                m_shift = 64 - static_cast<unsigned>(std::countr_zero(m_slots.size()));
                for (const Slot& slot : old)
                    if (slot.Number != None)
                        Place(slot);
            }

            std::vector<Slot> m_slots;
            std::size_t m_count = 0;
            unsigned m_shift = 64;
        };

        constexpr int HexDigit(char c) noexcept
        {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        }

        constexpr bool IsOctalDigit(char c) noexcept
        {
            return c >= '0' && c <= '7';
        }

        // Decodes the escape whose letter is at `at` (the byte after a backslash, inside quotes) into
        // `out`, and returns where the scan goes on.
        std::size_t ReadEscape(std::string_view raw, std::size_t at, std::string& out)
        {
            const char letter = raw[at];
            switch (letter)
            {
            case 'a':
                out.push_back('\a');
                return at + 1;
            case 'b':
                out.push_back('\b');
                return at + 1;
            case 'f':
                out.push_back('\f');
                return at + 1;
            case 'n':
                out.push_back('\n');
                return at + 1;
            case 'r':
                out.push_back('\r');
                return at + 1;
            case 't':
                out.push_back('\t');
                return at + 1;
            case 'v':
                out.push_back('\v');
                return at + 1;
            case 'x':
            {
                // Every hexadecimal digit that follows is part of one number; the value is held at
                // 256 once it passes 255, which is all that matters of it then.
                std::size_t next = at + 1;
                unsigned value = 0;
                for (; next < raw.size() && HexDigit(raw[next]) >= 0; ++next)
                    value = std::min(value * 16 + static_cast<unsigned>(HexDigit(raw[next])), 256u);
                if (next == at + 1)
                {
                    out.push_back('?'); // no digit: the scan goes on after the 'x'
                    return at + 1;
                }
                out.push_back(value <= 255 ? static_cast<char>(value) : '?');
                return next;
            }
            default:
                break;
            }

            if (IsOctalDigit(letter))
            {
                std::size_t next = at;
                unsigned value = 0;
                for (; next < raw.size() && IsOctalDigit(raw[next]); ++next)
                    value = std::min(value * 8 + static_cast<unsigned>(raw[next] - '0'), 256u);
                if (value <= 255)
                {
                    out.push_back(static_cast<char>(value));
                    return next;
                }
                // Too large: the first digit is an ordinary byte, and so are the digits after it.
                out.push_back(letter);
                return at + 1;
            }

            out.push_back(letter); // any other byte stands for itself
            return at + 1;
        }

        // The stored value of a raw value (the text after the '=', leading white space removed,
        // trailing white space already trimmed with the line).
        std::string ReadValue(std::string_view raw)
        {
            // Most values hold neither a quote nor a comment: they are stored as they are.
            std::size_t at = 0;
            while (at < raw.size() && raw[at] != '"' && raw[at] != ';')
                ++at;
            if (at == raw.size())
                return std::string(raw);
            if (raw[at] == ';')
                return std::string(TrimRight(raw.substr(0, at)));

            std::string text;
            text.reserve(raw.size() + 2);
            text.append(raw.substr(0, at));
            bool inside = false;
            bool comment = false;
            while (at < raw.size())
            {
                const char c = raw[at];
                if (!inside)
                {
                    if (c == ';')
                    {
                        comment = true;
                        break;
                    }
                    if (c == '"')
                        inside = true;
                    else
                        text.push_back(c);
                    ++at;
                }
                else if (c == '"')
                {
                    inside = false;
                    ++at;
                }
                else if (c != '\\')
                {
                    text.push_back(c);
                    ++at;
                }
                else if (at + 1 == raw.size())
                {
                    ++at; // a backslash at the very end: the scan ends inside the quotes
                }
                else
                {
                    at = ReadEscape(raw, at + 1, text);
                }
            }

            if (inside)
                return {}; // quotes that never closed: the empty value, whatever was read
            if (comment)
                text.erase(TrimRight(text).size());
            // A quote was seen: the stored value carries one quote at each end.
            text.insert(text.begin(), '"');
            text.push_back('"');
            return text;
        }

        // The path as narrow text for a message: what std::filesystem::path::string() gives, and when
        // that conversion fails (a wide character without a narrow counterpart), the path with '?'
        // for every character outside ASCII.
        std::string PathText(const std::filesystem::path& path)
        {
            try
            {
                return path.string();
            }
            catch (const std::bad_alloc&)
            {
                throw;
            }
            catch (...)
            {
                std::string text;
                for (const auto c : path.native())
                {
                    const auto code = static_cast<std::make_unsigned_t<std::filesystem::path::value_type>>(c);
                    text.push_back(code < 0x80 ? static_cast<char>(code) : '?');
                }
                return text;
            }
        }

        bool IsDirectory(const std::filesystem::path& path) noexcept
        {
            std::error_code error;
            return std::filesystem::is_directory(path, error);
        }
    } // namespace

    const IniInterface::Entry* IniInterface::Section::FindEntry(std::string_view key) const noexcept
    {
        const std::size_t at =
            FindSameBytes(Entries, key, [](const Entry& entry) -> const std::string& { return entry.Key; });
        return at == Entries.size() ? nullptr : &Entries[at];
    }

    const IniInterface::Section* IniInterface::FindSection(std::string_view name) const noexcept
    {
        const std::size_t at =
            FindSameBytes(Sections, name, [](const Section& section) -> const std::string& { return section.Name; });
        return at == Sections.size() ? nullptr : &Sections[at];
    }

    IniInterface::IniInterface(std::filesystem::path path)
    {
        Open(std::move(path));
    }

    IniInterface& IniInterface::Open(std::filesystem::path path, IIniLineObserver* observer)
    {
        std::ifstream stream(path, std::ios_base::in);
        Path = std::move(path);
        if (!stream.is_open())
            throw IOException(IniMessages::UnableToOpen, PathText(Path));

        IniInterface fresh = Parse(stream, observer);
        if (stream.bad())
        {
            // Some systems open a directory as a file and fail only at the first read; it is still
            // a file that cannot be opened for reading.
            if (IsDirectory(Path))
                throw IOException(IniMessages::UnableToOpen, PathText(Path));
            throw IOException(IniMessages::UnableToRead, PathText(Path));
        }
        Sections = std::move(fresh.Sections);
        return *this;
    }

    IniInterface IniInterface::Parse(std::istream& stream, IIniLineObserver* observer)
    {
        IniInterface document;
        document.Sections.emplace_back(); // the global section
        std::size_t current = 0;
        std::size_t number = 0;
        StringIndex names;
        StringIndex keys;
        const auto nameOf = [&](std::size_t, std::size_t at) -> const std::string& {
            return document.Sections[at].Name;
        };
        const auto keyOf = [&](std::size_t section, std::size_t at) -> const std::string& {
            return document.Sections[section].Entries[at].Key;
        };
        const auto tell = [&](std::string_view line, IniLine::Kind what, std::string_view key = {},
                              std::string_view rawValue = {}) {
            observer->Line(IniLine{number, what, line, current, key, rawValue});
        };

        std::string buffer;
        const char delimiter = stream.widen('\n');
        while (std::getline(stream, buffer, delimiter))
        {
            ++number;
            const std::string_view line = TrimRight(TrimLeft(buffer));
            if (line.empty() || line.front() == ';')
            {
                if (observer != nullptr)
                    tell(line, line.empty() ? IniLine::Kind::Empty : IniLine::Kind::Comment);
                continue;
            }

            if (line.front() == '[')
            {
                const auto name = HeaderName(line);
                if (!name)
                {
                    if (observer != nullptr)
                        tell(line, IniLine::Kind::BadHeader);
                    continue;
                }
                auto& sections = document.Sections;
                if (sections.size() < IndexFrom)
                {
                    current = FindSameBytes(sections, *name,
                                            [](const Section& section) -> const std::string& { return section.Name; });
                    if (current == sections.size())
                    {
                        sections.push_back({std::string(*name), {}});
                        if (sections.size() == IndexFrom)
                            for (std::size_t at = 0; at < sections.size(); ++at)
                                names.Insert(0, at, StringIndex::Hash(0, sections[at].Name));
                    }
                }
                else
                {
                    const std::uint64_t hash = StringIndex::Hash(0, *name);
                    current = names.Find(0, *name, hash, nameOf);
                    if (current == StringIndex::None)
                    {
                        current = sections.size();
                        sections.push_back({std::string(*name), {}});
                        names.Insert(0, current, hash);
                    }
                }
                if (observer != nullptr)
                    tell(line, IniLine::Kind::Header);
                // A header line that holds '=' is read as a key line of its section too.
            }

            const std::size_t equals = line.find('=');
            if (equals == std::string_view::npos)
            {
                if (observer != nullptr && line.front() != '[')
                    tell(line, IniLine::Kind::Ignored);
                continue;
            }
            const std::string_view key = TrimRight(line.substr(0, equals));
            const std::string_view rawValue = TrimLeft(line.substr(equals + 1));
            auto& entries = document.Sections[current].Entries;
            std::uint64_t hash = 0;
            bool repeated = false;
            if (entries.size() < IndexFrom)
            {
                repeated = FindSameBytes(entries, key, [](const Entry& entry) -> const std::string& {
                               return entry.Key;
                           }) != entries.size();
            }
            else
            {
                hash = StringIndex::Hash(current, key);
                repeated = keys.Find(current, key, hash, keyOf) != StringIndex::None;
            }
            if (repeated)
            {
                if (observer != nullptr)
                    tell(line, IniLine::Kind::DuplicateEntry, key, rawValue);
                continue; // the first occurrence wins
            }
            if (entries.empty())
                entries.reserve(4); // sections mostly hold a few entries: one allocation for them
            entries.push_back({std::string(key), ReadValue(rawValue)});
            if (entries.size() == IndexFrom)
            {
                for (std::size_t at = 0; at < entries.size(); ++at)
                    keys.Insert(current, at, StringIndex::Hash(current, entries[at].Key));
            }
            else if (entries.size() > IndexFrom)
            {
                keys.Insert(current, entries.size() - 1, hash);
            }
            if (observer != nullptr)
                tell(line, IniLine::Kind::Entry, key, rawValue);
        }
        return document;
    }
} // namespace Orvel
