// Orvel::IniInterface::Parse: text in, document out. For every text:
//
//  0. The document equals the one that ReferenceIni.h, a second reader written from the same rules
//     by other means, builds from the text: this ties every rule to its meaning.
//  1. The document keeps its invariants: the global section first and only there with an empty name,
//     no two sections with one name, no two entries with one key in a section; names and keys hold no
//     line feed, keys no '=' and no white space at either end; a stored value is empty, or carries a
//     quote at each end, or is an unquoted value: no quote, no ';', no line feed, no white space at
//     either end.
//  2. CR LF line ends read exactly like LF ones.
//  3. Round trip: the document written back as canonical INI text reads as the same document. Each
//     section is written as "[name]" followed by its entries as "key=value"; an unquoted value as it
//     is, and a quoted one as a quote, its inner bytes, and a quote, with the inner bytes escaped in
//     one of three ways (every byte as three octal digits; only quote, backslash and line feed, by
//     \", \\ and \n; the same three as \xHH or octal digits, where the next byte allows). This holds
//     for every document except those from header lines that also hold '=' (a section name with '=',
//     a key starting with '['): writing such a name or key back writes a header line again, which
//     adds or switches what it should not. Those inputs check 1 and 2 only.
//
// Why the round trip, on top of the reference: it needs no second reading of the rules, so it also
// holds where the reference and the library might share a misreading. It ties every escape to the byte it decodes to,
// for all 256 bytes, and every trim, comment and quote rule to the values it may produce. A rule that loses or adds a
// byte, or a stored value that no text can produce, makes the second reading differ from the first.

#include <cstddef>
#include <cstdint>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include "FuzzCheck.h"
#include "Orvel/Ini.h"
#include "Orvel/Parsing.h"
#include "ReferenceIni.h"

namespace
{
    using Orvel::IniInterface;

    IniInterface ParseText(const std::string& text)
    {
        std::istringstream stream(text);
        auto document = IniInterface::Parse(stream);
        FUZZ_REQUIRE(stream.eof());
        FUZZ_REQUIRE(!stream.bad());
        return document;
    }

    bool HasOuterSpace(std::string_view text)
    {
        return !text.empty() && (Orvel::IsSpace(text.front()) || Orvel::IsSpace(text.back()));
    }

    void CheckInvariants(const IniInterface& document)
    {
        FUZZ_REQUIRE(!document.Sections.empty());
        FUZZ_REQUIRE(document.Sections.front().Name.empty());
        std::set<std::string_view> names;
        for (std::size_t i = 0; i < document.Sections.size(); ++i)
        {
            const auto& section = document.Sections[i];
            FUZZ_REQUIRE(names.insert(section.Name).second);
            FUZZ_REQUIRE(section.Name.find('\n') == std::string::npos);
            std::set<std::string_view> keys;
            for (const auto& entry : section.Entries)
            {
                FUZZ_REQUIRE(keys.insert(entry.Key).second);
                FUZZ_REQUIRE(entry.Key.find_first_of("\n=") == std::string::npos);
                FUZZ_REQUIRE(!HasOuterSpace(entry.Key));
                FUZZ_REQUIRE(entry.Key.empty() || entry.Key.front() != ';');
                const auto& value = entry.Value;
                const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
                if (!quoted)
                {
                    FUZZ_REQUIRE(value.find_first_of("\"\n;") == std::string::npos);
                    FUZZ_REQUIRE(!HasOuterSpace(value));
                }
            }
        }
    }

    std::string WithCrLf(std::string_view text)
    {
        std::string out;
        out.reserve(text.size() * 2);
        for (const char c : text)
        {
            if (c == '\n')
                out += '\r';
            out += c;
        }
        return out;
    }

    enum class Escaping
    {
        AllOctal,
        Letters,
        Numeric,
    };

    void AppendOctal(std::string& out, unsigned char byte)
    {
        out += '\\';
        out += static_cast<char>('0' + (byte >> 6));
        out += static_cast<char>('0' + ((byte >> 3) & 7));
        out += static_cast<char>('0' + (byte & 7));
    }

    bool IsHexDigit(char c)
    {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    }

    std::string QuotedValue(std::string_view inner, Escaping escaping)
    {
        static constexpr char Hex[] = "0123456789abcdef";
        std::string out = "\"";
        for (std::size_t i = 0; i < inner.size(); ++i)
        {
            const char c = inner[i];
            const auto byte = static_cast<unsigned char>(c);
            const bool special = c == '"' || c == '\\' || c == '\n';
            if (escaping == Escaping::AllOctal)
            {
                AppendOctal(out, byte);
            }
            else if (!special)
            {
                out += c;
            }
            else if (escaping == Escaping::Letters)
            {
                out += '\\';
                out += c == '\n' ? 'n' : c;
            }
            else
            {
                // \xHH and octal escapes swallow every digit that follows them: choose the one that
                // the next byte cannot extend, and the letter form when it would extend both.
                const char next = i + 1 < inner.size() ? inner[i + 1] : '"';
                if (!IsHexDigit(next))
                {
                    out += "\\x";
                    out += Hex[byte >> 4];
                    out += Hex[byte & 15];
                }
                else if (next < '0' || next > '7')
                {
                    AppendOctal(out, byte);
                }
                else
                {
                    out += '\\';
                    out += c == '\n' ? 'n' : c;
                }
            }
        }
        out += '"';
        return out;
    }

    // Whether the canonical text of the document reads back as the document (see 3 above).
    bool CanBeWritten(const IniInterface& document)
    {
        for (std::size_t i = 0; i < document.Sections.size(); ++i)
        {
            if (document.Sections[i].Name.find('=') != std::string::npos)
                return false;
            for (const auto& entry : document.Sections[i].Entries)
                if (!entry.Key.empty() && entry.Key.front() == '[')
                    return false;
        }
        return true;
    }

    std::string Write(const IniInterface& document, Escaping escaping)
    {
        std::string out;
        for (std::size_t i = 0; i < document.Sections.size(); ++i)
        {
            const auto& section = document.Sections[i];
            if (i > 0)
                out += "[" + section.Name + "]\n";
            for (const auto& entry : section.Entries)
            {
                const auto& value = entry.Value;
                const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
                out += entry.Key;
                out += '=';
                out += quoted ? QuotedValue(std::string_view(value).substr(1, value.size() - 2), escaping) : value;
                out += '\n';
            }
        }
        return out;
    }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto document = ParseText(text);
    FUZZ_REQUIRE(document.Sections == ReferenceIni::Read(text));
    CheckInvariants(document);

    FUZZ_REQUIRE(ParseText(WithCrLf(text)) == document);

    if (CanBeWritten(document))
    {
        // Texts of kilobytes are written back one way only, chosen by their size, to keep the
        // fuzzer's rate: together they still meet every way.
        constexpr Escaping escapings[] = {Escaping::AllOctal, Escaping::Letters, Escaping::Numeric};
        const std::size_t first = size > 4096 ? size % 3 : 0;
        const std::size_t last = size > 4096 ? first + 1 : 3;
        for (std::size_t way = first; way < last; ++way)
        {
            const auto again = ParseText(Write(document, escapings[way]));
            FUZZ_REQUIRE(again.Sections == document.Sections);
        }
    }
    return 0;
}
