#pragma once
// Test cases kept as data files (byte strings written with escapes, tab-separated tables, changes to
// bytes written as text: "u32@name+4=0x10" writes a number at a place that whoever laid the bytes
// out named), byte-exact file reading and writing, a fresh, empty directory for one test (removed with everything in it
// when the test ends), and catching what a piece of test code throws.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace NimbravaTest
{
    // Whether this is the Windows build, whose paths separate with backslashes: its C runtime reads
    // text files with CR LF line ends and stops at CTRL-Z, and its paths start with a drive.
    inline constexpr bool Windows = std::filesystem::path::preferred_separator == L'\\';

    // The whole file, byte for byte (binary mode: what is really on disk); empty when unreadable.
    std::string ReadFile(const std::filesystem::path& path);

    // Replaces the file with exactly these bytes (binary, no line-end translation). Throws
    // std::runtime_error when the file cannot be written.
    void WriteFile(const std::filesystem::path& path, std::string_view bytes);

    class TempDirectory
    {
    public:
        TempDirectory();
        ~TempDirectory();
        TempDirectory(const TempDirectory&) = delete;
        TempDirectory& operator=(const TempDirectory&) = delete;

        [[nodiscard]] const std::filesystem::path& Path() const noexcept { return m_path; }
        [[nodiscard]] std::filesystem::path operator/(const std::filesystem::path& name) const { return m_path / name; }

        // Writes `bytes` to `name` inside the directory (see WriteFile) and returns the file's path.
        std::filesystem::path WriteFile(const std::filesystem::path& name, std::string_view bytes) const
        {
            NimbravaTest::WriteFile(m_path / name, bytes);
            return m_path / name;
        }

    private:
        std::filesystem::path m_path;
    };

    // Printable ASCII as it is, a backslash as "\\", every other byte as "\xHH" (upper case).
    std::string Escape(std::string_view bytes);

    // The inverse of Escape, also reading "\t", "\n", "\r" and lower-case hex digits. Throws
    // std::invalid_argument on an escape it does not know, so a typo in a table fails its test.
    std::string Unescape(std::string_view text);

    // The rows of a table file: one row a line, fields separated by tabs and unescaped; blank lines
    // and lines starting with '#' are skipped. Throws std::runtime_error when the file is unreadable.
    std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& path);

    // What `f` throws; a std::logic_error when it throws nothing.
    template <typename F>
    std::exception_ptr Thrown(F&& f)
    {
        try
        {
            f();
        }
        catch (...)
        {
            return std::current_exception();
        }
        return std::make_exception_ptr(std::logic_error("expected an exception, none was thrown"));
    }

    // A copy of the E that `f` throws; anything else `f` throws (or the logic_error when it throws
    // nothing) leaves this function and fails the test.
    template <typename E, typename F>
    E Caught(F&& f)
    {
        try
        {
            std::rethrow_exception(Thrown(f));
        }
        catch (const E& e)
        {
            return e;
        }
    }
    using PlaceMap = std::map<std::string, std::uint64_t>;

    // A sum of numbers (decimal or 0x-hexadecimal) and names of `places`, such as "d1+16" or
    // "end-8"; arithmetic wraps at 64 bits. Throws std::out_of_range for an unknown name.
    inline std::uint64_t Evaluate(const std::string& text, const PlaceMap& places)
    {
        std::uint64_t total = 0;
        for (std::size_t at = 0, end = 0; at < text.size(); at = end)
        {
            const bool minus = text[at] == '-';
            at += minus || text[at] == '+' ? 1u : 0u;
            end = std::min(text.find_first_of("+-", at), text.size());
            const std::string term = text.substr(at, end - at);
            const std::uint64_t value =
                term[0] >= '0' && term[0] <= '9' ? std::stoull(term, nullptr, 0) : places.at(term);
            total = minus ? total - value : total + value;
        }
        return total;
    }

    // Writes changes given as "TYPE@OFFSET=VALUE ..." (or "-" for none) into `bytes`: TYPE u8, u16,
    // u32 or u64 writes the value's low bytes, txt the characters of VALUE without a NUL. OFFSET and
    // VALUE are sums as Evaluate reads them. Throws std::out_of_range for a change that names no
    // place, std::invalid_argument for one that reaches outside the bytes.
    inline void Patch(std::span<std::byte> bytes, const PlaceMap& places, const std::string& changes)
    {
        std::istringstream list(changes == "-" ? "" : changes);
        for (std::string change; list >> change;)
        {
            const std::size_t at = change.find('@'), equals = change.find('=');
            const std::string type = change.substr(0, at), value = change.substr(equals + 1);
            const std::uint64_t offset = Evaluate(change.substr(at + 1, equals - at - 1), places);
            const std::uint64_t number = type == "txt" ? 0 : Evaluate(value, places);
            const std::size_t size = type == "txt" ? value.size() : std::stoul(type.substr(1)) / 8;
            if (offset + size > bytes.size())
                throw std::invalid_argument("outside the bytes: " + change);
            std::memcpy(bytes.data() + offset, type == "txt" ? static_cast<const void*>(value.data()) : &number, size);
        }
    }
} // namespace NimbravaTest
