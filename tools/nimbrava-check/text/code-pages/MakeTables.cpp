// Writes the tables CodePageTables.cpp decodes Windows's ANSI code pages with, so that the checker
// needs no converter at run time: a statically linked C library loads its converters from the build
// machine's paths, which other Linux systems do not have.
//
//   MakeTables OUTPUT WINDOWS_READINGS CODEPAGE...
//
// Runs on the build machine, where it reads each code page through the C library's iconv: every
// byte alone and every lead byte with every trail byte on its own, so that no conversion combines a
// letter with the accent after it (the C library does so in 1255 and 1258; Windows does not). Where
// Windows reads a byte otherwise, the C library gives way:
// - a byte it leaves undefined is, from 0x80 to 0x9F, the control character of the same number,
//   as Windows's tables have it; any other is no text (Windows's tables give those private-use
//   characters, which its strict conversion refuses);
// - WINDOWS_READINGS (windows-readings.tsv beside this file) lists Windows's own characters where
//   the two differ otherwise.
// Fails, writing nothing, when the C library lacks a code page or reads one in a way the tables cannot
// hold.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iconv.h>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{
    // The tables' two marks, which no code page maps a byte to.
    constexpr char16_t NoText = 0xFFFF;
    constexpr char16_t LeadByte = 0xFFFE;

    struct CodePage
    {
        unsigned Number = 0;
        char16_t Bytes[256] = {};                 // each byte alone: a character, NoText or LeadByte
        std::vector<std::vector<char16_t>> Pairs; // per byte, when a lead byte: its 256 trail bytes
    };

    [[noreturn]] void Fail(const std::string& why)
    {
        throw std::runtime_error(why);
    }

    enum class Outcome
    {
        Text,
        Incomplete,
        Refused
    };

    // `bytes` converted on their own, from the initial state: the text, or why there is none.
    Outcome Convert(unsigned codePage, std::string bytes, std::u16string& text)
    {
        const std::string name = "CP" + std::to_string(codePage);
        const iconv_t converter = iconv_open("UTF-16LE", name.c_str());
        if (converter == reinterpret_cast<iconv_t>(-1))
            Fail("the C library has no converter for " + name + " (Debian's libc6 has it in its gconv modules)");
        char units[16];
        char* in = bytes.data();
        std::size_t inLeft = bytes.size();
        char* out = units;
        std::size_t outLeft = sizeof units;
        std::size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        const int error = errno;
        // A letter that could take an accent is held back until the end: flush it out.
        if (result != static_cast<std::size_t>(-1))
            result = iconv(converter, nullptr, nullptr, &out, &outLeft);
        iconv_close(converter);
        text.clear();
        for (const char* unit = units; unit < out; unit += 2)
            text.push_back(
                static_cast<char16_t>(static_cast<unsigned char>(unit[0]) | static_cast<unsigned char>(unit[1]) << 8));
        if (result == static_cast<std::size_t>(-1))
            return error == EINVAL ? Outcome::Incomplete : Outcome::Refused;
        return inLeft == 0 ? Outcome::Text : Outcome::Refused;
    }

    // One character or nothing; anything else is a reading the tables cannot hold.
    char16_t OneCharacter(unsigned codePage, const std::u16string& text, const std::string& bytes)
    {
        if (text.size() != 1 || text[0] == NoText || text[0] == LeadByte || (text[0] >= 0xD800 && text[0] < 0xE000))
            Fail("CP" + std::to_string(codePage) + " reads " + std::to_string(bytes.size()) +
                 " bytes as other than one character of the Basic Multilingual Plane");
        return text[0];
    }

    CodePage Read(unsigned number)
    {
        CodePage page;
        page.Number = number;
        page.Pairs.resize(256);
        std::u16string text;
        for (unsigned byte = 0; byte < 256; ++byte)
        {
            const std::string bytes(1, static_cast<char>(byte));
            const Outcome outcome = Convert(number, bytes, text);
            if (outcome == Outcome::Text)
                page.Bytes[byte] = OneCharacter(number, text, bytes);
            else if (outcome == Outcome::Incomplete)
                page.Bytes[byte] = LeadByte;
            else
                page.Bytes[byte] = byte >= 0x80 && byte < 0xA0 ? static_cast<char16_t>(byte) : NoText;
            if (byte < 0x80 && page.Bytes[byte] != byte)
                Fail("CP" + std::to_string(number) + " is not ASCII below 0x80");
            if (page.Bytes[byte] != LeadByte)
                continue;
            page.Pairs[byte].assign(256, NoText);
            for (unsigned trail = 0; trail < 256; ++trail)
            {
                const std::string pair{static_cast<char>(byte), static_cast<char>(trail)};
                if (Convert(number, pair, text) == Outcome::Text)
                    page.Pairs[byte][trail] = OneCharacter(number, text, pair);
            }
        }
        return page;
    }

    unsigned Hex(const std::string& text, std::size_t digits, const std::string& row)
    {
        if (text.size() != digits || text.find_first_not_of("0123456789ABCDEF") != std::string::npos)
            Fail("windows-readings: not " + std::to_string(digits) + " hexadecimal digits: '" + text + "' in: " + row);
        return static_cast<unsigned>(std::stoul(text, nullptr, 16));
    }

    // The rows of windows-readings.tsv for the code pages made here.
    void ApplyWindowsReadings(const char* file, std::vector<CodePage>& pages)
    {
        std::ifstream in(file);
        if (!in)
            Fail(std::string("cannot read ") + file);
        for (std::string row; std::getline(in, row);)
        {
            if (row.empty() || row[0] == '#')
                continue;
            std::istringstream fields(row);
            std::string codePage, bytes, character, more;
            if (!std::getline(fields, codePage, '\t') || !std::getline(fields, bytes, '\t') ||
                !std::getline(fields, character, '\t') || std::getline(fields, more, '\t'))
                Fail("windows-readings: not three fields: " + row);
            CodePage* page = nullptr;
            for (CodePage& made : pages)
                if (std::to_string(made.Number) == codePage)
                    page = &made;
            if (!page)
                continue;
            char16_t first = static_cast<char16_t>(Hex(character, 4, row));
            if (bytes.size() == 2)
            {
                if (page->Bytes[Hex(bytes, 2, row)] == LeadByte)
                    Fail("windows-readings: a lead byte alone: " + row);
                page->Bytes[Hex(bytes, 2, row)] = first;
                continue;
            }
            const bool run = bytes.size() == 9 && bytes[4] == '-';
            const unsigned pair = Hex(bytes.substr(0, 4), 4, row);
            const unsigned last = run ? Hex(bytes.substr(5), 4, row) : pair;
            const unsigned lead = pair >> 8;
            // A byte the C library leaves undefined (no text, or the control character given it
            // above) can be a lead byte on Windows, of its user-defined areas.
            if (lead >= 0x80 && (page->Bytes[lead] == NoText || page->Bytes[lead] == lead))
            {
                page->Bytes[lead] = LeadByte;
                page->Pairs[lead].assign(256, NoText);
            }
            if ((!run && bytes.size() != 4) || page->Bytes[lead] != LeadByte || last >> 8 != lead || last < pair)
                Fail("windows-readings: not a lead byte with a trail byte or a run of them: " + row);
            for (unsigned trail = pair & 0xFF; trail <= (last & 0xFF); ++trail)
                page->Pairs[lead][trail] = first++;
        }
    }

    void WriteArray(std::ostream& out, const char* type, const std::string& name, const std::vector<unsigned>& values)
    {
        out << "constexpr " << type << " " << name << "[" << values.size() << "] = {";
        char number[8];
        for (std::size_t i = 0; i < values.size(); ++i)
        {
            std::snprintf(number, sizeof number, "0x%X,", values[i]);
            out << (i % 16 == 0 ? "\n" : " ") << number;
        }
        out << "\n};\n";
    }

    // A code page as CodePageTables.cpp reads it: the characters of the bytes 0x80 to 0xFF alone and,
    // for a double-byte code page, a row per lead byte of the trail bytes from the first to the last
    // any lead byte takes.
    std::string Write(const CodePage& page)
    {
        std::ostringstream out;
        const std::string suffix = std::to_string(page.Number);
        std::vector<unsigned> high(page.Bytes + 0x80, page.Bytes + 0x100);
        WriteArray(out, "char16_t", "High" + suffix, high);
        unsigned firstTrail = 0xFF, lastTrail = 0;
        for (const auto& row : page.Pairs)
            for (unsigned trail = 0; trail < row.size(); ++trail)
                if (row[trail] != NoText)
                {
                    firstTrail = std::min(firstTrail, trail);
                    lastTrail = std::max(lastTrail, trail);
                }
        if (firstTrail > lastTrail)
        {
            out << "constexpr Table Table" << suffix << "{" << page.Number << ", High" << suffix << "};\n";
            return out.str();
        }
        std::vector<unsigned> rows(0x80, 0), pairs;
        for (unsigned lead = 0x80; lead < 0x100; ++lead)
            if (!page.Pairs[lead].empty())
            {
                rows[lead - 0x80] = static_cast<unsigned>(pairs.size() / (lastTrail - firstTrail + 1));
                pairs.insert(pairs.end(), page.Pairs[lead].begin() + firstTrail,
                             page.Pairs[lead].begin() + lastTrail + 1);
            }
        WriteArray(out, "std::uint8_t", "Rows" + suffix, rows);
        WriteArray(out, "char16_t", "Pairs" + suffix, pairs);
        out << "constexpr Table Table" << suffix << "{" << page.Number << ", High" << suffix << ", Rows" << suffix
            << ", Pairs" << suffix << ", 0x" << std::hex << std::uppercase << firstTrail << ", 0x" << lastTrail
            << "};\n";
        return out.str();
    }
} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        std::fprintf(stderr, "usage: MakeTables OUTPUT WINDOWS_READINGS CODEPAGE...\n");
        return 2;
    }
    try
    {
        std::vector<CodePage> pages;
        for (int i = 3; i < argc; ++i)
            pages.push_back(Read(static_cast<unsigned>(std::stoul(argv[i]))));
        ApplyWindowsReadings(argv[2], pages);
        std::string text = "// Written by MakeTables (code-pages/MakeTables.cpp) at build time.\n";
        std::string list;
        for (const CodePage& page : pages)
        {
            text += Write(page);
            list += (list.empty() ? "" : ", ") + ("&Table" + std::to_string(page.Number));
        }
        text += "constexpr const Table* Tables[] = {" + list + "};\n";
        std::ofstream out(argv[1], std::ios::binary);
        if (!(out << text) || !out.flush())
            Fail(std::string("cannot write ") + argv[1]);
    }
    catch (const std::exception& error)
    {
        std::remove(argv[1]);
        std::fprintf(stderr, "MakeTables: %s\n", error.what());
        return 1;
    }
    return 0;
}
