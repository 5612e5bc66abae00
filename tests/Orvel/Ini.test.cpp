#include "Orvel/Ini.h"

#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "Orvel/Exceptions.h"
#include "TempDirectory.h"

using NimbravaTest::ReadFile;
using Orvel::IniInterface;

namespace
{
    // A document as the .expected files hold it: "[name]" for each section, the global one "[]"
    // first, then "key=value" for each entry, bytes written as NimbravaTest::Escape writes them.
    std::string Render(const IniInterface& document)
    {
        std::string out;
        for (const auto& section : document.Sections)
        {
            out += "[" + NimbravaTest::Escape(section.Name) + "]\n";
            for (const auto& entry : section.Entries)
                out += NimbravaTest::Escape(entry.Key) + "=" + NimbravaTest::Escape(entry.Value) + "\n";
        }
        return out;
    }

    // What every document holds, whatever its text: the global section first, no two sections with
    // one name, no two entries with one key in a section.
    void ExpectInvariants(const IniInterface& document)
    {
        ASSERT_FALSE(document.Sections.empty());
        EXPECT_EQ(document.Sections.front().Name, "");
        std::set<std::string> names;
        for (const auto& section : document.Sections)
        {
            EXPECT_TRUE(names.insert(section.Name).second) << "section name repeated";
            std::set<std::string> keys;
            for (const auto& entry : section.Entries)
                EXPECT_TRUE(keys.insert(entry.Key).second) << "key repeated in one section";
        }
    }

    IniInterface ParseText(std::string_view text)
    {
        std::istringstream stream{std::string(text)};
        auto document = IniInterface::Parse(stream);
        EXPECT_TRUE(stream.eof()) << "Parse leaves the stream at its end";
        EXPECT_FALSE(stream.bad());
        EXPECT_TRUE(document.Path.empty());
        return document;
    }

    std::string WithCrLf(std::string_view text)
    {
        std::string out;
        for (const char c : text)
            out += c == '\n' ? std::string("\r\n") : std::string(1, c);
        return out;
    }

    // Reads `text` three ways, from a string stream and from files with LF and with CR LF line ends,
    // and expects the same rendered document each time.
    void ExpectDocument(std::string_view text, std::string_view expected)
    {
        const auto document = ParseText(text);
        EXPECT_EQ(Render(document), expected) << "string stream";
        ExpectInvariants(document);
        NimbravaTest::TempDirectory directory;
        for (const bool crlf : {false, true})
        {
            const auto path = directory.WriteFile(crlf ? "crlf.ini" : "lf.ini", crlf ? WithCrLf(text) : text);
            const IniInterface fromFile(path);
            EXPECT_EQ(Render(fromFile), expected) << (crlf ? "file with CR LF" : "file with LF");
            EXPECT_EQ(fromFile.Path, path);
            EXPECT_EQ(fromFile.Sections, document.Sections);
        }
    }

    std::string Dump(std::string_view bytes)
    {
        return "\"" + NimbravaTest::Escape(bytes) + "\"";
    }
} // namespace

// Every case in tests/data/ini: NAME.ini beside NAME.expected, the document it must read as.
TEST(IniDocuments, EachCaseFileReadsAsItsExpectedDocument)
{
    const auto cases = NimbravaTest::FilesWithExtension(NIMBRAVA_TEST_DATA "/ini", ".ini");
    ASSERT_GE(cases.size(), 50u) << "the case files are missing";
    for (const auto& path : cases)
    {
        SCOPED_TRACE(path.filename().string());
        auto expectedPath = path;
        const auto expected = ReadFile(expectedPath.replace_extension(".expected"));
        ASSERT_FALSE(expected.empty()) << "no .expected beside the case";
        ExpectDocument(ReadFile(path), expected);
    }
}

// The file is read as a text stream. On Windows the C runtime's text mode ends the text at a
// CTRL-Z byte (0x1A); elsewhere it is an ordinary byte.
TEST(IniLines, ControlZEndsTheTextOnlyOnWindowsAndMixedLineEndsReadAlike)
{
    NimbravaTest::TempDirectory directory;
    const IniInterface document(directory.WriteFile("z.ini", "a=1\n\x1A\nb=2\n"));
#ifdef _WIN32
    EXPECT_EQ(Render(document), "[]\na=1\n");
#else
    EXPECT_EQ(Render(document), "[]\na=1\nb=2\n");
#endif
    const IniInterface mixed(directory.WriteFile("mixed.ini", "[S]\r\na = 1\nb = \"x;y\" ; c\r\n\r\nc=3"));
    EXPECT_EQ(Render(mixed), "[]\n[S]\na=1\nb=\"x;y\"\nc=3\n");
}

TEST(IniHeaders, ThousandsOfSectionsAndKeysKeepTheFirstWinsRules)
{
    // Enough names that repeated ones are found through an index rather than by comparing with
    // each earlier one; short names, whose bytes move whenever the vector holding them grows.
    constexpr int count = 1000;
    std::string text = "g=0\n";
    std::string sections;
    std::string keys = "[K]\n";
    std::string again;
    for (int i = 0; i < count; ++i)
    {
        const auto n = std::to_string(i);
        text += "[S" + n + "]\na=" + n + "\n";
        sections += "[S" + n + "]\na=" + n + "\nb=" + n + "\n";
        keys += "k" + n + "=" + n + "\n";
    }
    for (int i = count - 1; i >= 0; --i)
        text += "[S" + std::to_string(i) + "]\na=again\nb=" + std::to_string(i) + "\n";
    text += "[]\ng=again\nh=1\n" + keys;
    for (int i = count - 1; i >= 0; --i)
        text += "k" + std::to_string(i) + "=again\n";
    text += "z=1\n";
    ExpectDocument(text, "[]\ng=0\nh=1\n" + sections + keys + "z=1\n");
}

// ============================================================================================
// Failures: files that cannot be opened or read, and bad input
// ============================================================================================

namespace
{
    void ExpectOpenThrows(const std::filesystem::path& path, std::string_view message)
    {
        try
        {
            IniInterface document(path);
            FAIL() << "no exception for " << path.string();
        }
        catch (const Orvel::IOException& e)
        {
            const std::string expected = std::string(message) + " " + path.string();
            EXPECT_EQ(e.GetMessage(), expected);
            EXPECT_EQ(e.ToString(), "IOException(" + expected + ")");
            EXPECT_NE(std::string(e.GetLocation().file_name()).find("Ini.cpp"), std::string::npos)
                << e.GetLocation().file_name();
            EXPECT_NE(std::string(e.GetLocation().function_name()).find("Open"), std::string::npos)
                << e.GetLocation().function_name();
        }
    }
} // namespace

TEST(IniFailures, MissingFilesAndDirectoriesCannotBeOpenedAndOpenStillSetsThePath)
{
    NimbravaTest::TempDirectory directory;
    ExpectOpenThrows(directory.Path() / "_nimbrava.ini", "Unable to open file");
    ExpectOpenThrows(directory.Path() / "no such folder" / "_nimbrava.ini", "Unable to open file");
    ExpectOpenThrows(directory.Path(), "Unable to open file");

    IniInterface document;
    const auto missing = directory.Path() / "missing.ini";
    EXPECT_THROW(document.Open(missing), Orvel::IOException);
    EXPECT_EQ(document.Path, missing);
}

TEST(IniFailures, AReadErrorAfterOpeningThrowsUnableToRead)
{
    // Linux's memory file of a process opens, but reading its first page, which is never mapped,
    // fails with EIO. Under Wine the same file is reached through drive Z:, the Unix root.
#ifdef _WIN32
    const std::filesystem::path path = "Z:\\proc\\self\\mem";
#else
    const std::filesystem::path path = "/proc/self/mem";
#endif
    std::error_code error;
    if (!std::filesystem::exists(path, error))
        GTEST_SKIP() << "no process memory file here (Windows proper has none)";
    ExpectOpenThrows(path, "Unable to read file");
}

TEST(IniFailures, ParseKeepsWhatWasReadBeforeAReadErrorAndReportsItInTheStream)
{
    // A stream buffer that hands out one block of text, then fails.
    class FailingBuffer : public std::streambuf
    {
    public:
        explicit FailingBuffer(std::string text) : m_text(std::move(text))
        {
            setg(m_text.data(), m_text.data(), m_text.data() + m_text.size());
        }

    protected:
        int_type underflow() override { throw std::ios_base::failure("disk gone"); }

    private:
        std::string m_text;
    };
    FailingBuffer buffer("a=1\n[S]\nb=2\nc=");
    std::istream stream(&buffer);
    const auto document = IniInterface::Parse(stream);
    EXPECT_TRUE(stream.bad());
    EXPECT_EQ(Render(document), "[]\na=1\n[S]\nb=2\n");
}

TEST(IniFailures, OpenReplacesTheSectionsAndMergesNothing)
{
    NimbravaTest::TempDirectory directory;
    const auto first = directory.WriteFile("first.ini", "a=1\n[A]\nx=1\n");
    const auto second = directory.WriteFile("second.ini", "[B]\ny=2\n");
    IniInterface document(first);
    IniInterface& same = document.Open(second);
    EXPECT_EQ(&same, &document);
    EXPECT_EQ(document.Path, second);
    EXPECT_EQ(Render(document), "[]\n[B]\ny=2\n");
    document.Open(first);
    EXPECT_EQ(Render(document), "[]\na=1\n[A]\nx=1\n");
    EXPECT_EQ(document, IniInterface(first)) << "as if opened afresh";
    EXPECT_NE(document, IniInterface(second));
    // Equal documents agree in every key, value, section name and path.
    const std::string base = "a=1\n[A]\nx=1\n";
    EXPECT_EQ(ParseText(base), ParseText(base));
    for (const char* other : {"a=2\n[A]\nx=1\n", "b=1\n[A]\nx=1\n", "a=1\n[B]\nx=1\n", "a=1\n[A]\nx=1\ny=2\n"})
        EXPECT_NE(ParseText(base), ParseText(other)) << other;
    EXPECT_NE(ParseText(base), document) << "the path";
}

TEST(IniFailures, PathsOutsideAscii)
{
    NimbravaTest::TempDirectory directory;
    const auto name = std::filesystem::path(u8"Wetterliste \u00e9\u00df \u0416.ini");
    EXPECT_EQ(Render(IniInterface(directory.WriteFile(name, "[S]\nk=v\n"))), "[]\n[S]\nk=v\n");

    const auto missing = directory.Path() / std::filesystem::path(u8"fehlt \u00e9.ini");
    try
    {
        IniInterface document(missing);
        FAIL() << "no exception";
    }
    catch (const Orvel::IOException& e)
    {
        const auto message = std::string(e.GetMessage());
        EXPECT_EQ(message.rfind("Unable to open file ", 0), 0u) << message;
        EXPECT_NE(message.find("fehlt "), std::string::npos) << message;
    }
}

TEST(IniFailures, BinaryGarbageAndTenMegabyteLinesNeitherCrashNorBreakTheDocument)
{
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    std::string bytes(1 << 20, '\0');
    for (auto& byte : bytes)
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<char>(state >> 56);
    }
    NimbravaTest::TempDirectory directory;
    ExpectInvariants(IniInterface(directory.WriteFile("garbage.ini", bytes)));
    ExpectInvariants(ParseText(bytes));

    constexpr std::size_t size = 10u << 20;
    const IniInterface value(directory.WriteFile("value.ini", "k=" + std::string(size, 'v') + "\nnext=1\n"));
    ASSERT_EQ(value.Sections.size(), 1u);
    ASSERT_EQ(value.Sections[0].Entries.size(), 2u);
    EXPECT_EQ(value.Sections[0].Entries[0].Value.size(), size);
    EXPECT_EQ(value.Sections[0].Entries[1], (IniInterface::Entry{"next", "1"}));
    EXPECT_EQ(Render(IniInterface(directory.WriteFile("brackets.ini", std::string(size, '[')))), "[]\n");
    EXPECT_EQ(Render(IniInterface(directory.WriteFile("quoted.ini", "k=\"" + std::string(size, '\\')))), "[]\nk=\n")
        << "an unclosed quote after 5 M escapes";
}

// ============================================================================================
// The line observer
// ============================================================================================

namespace
{
    // Each line as "number kind section key raw-value text", bytes escaped.
    class Recorder final : public Orvel::IIniLineObserver
    {
    public:
        std::string Lines;
        void Line(const Orvel::IniLine& line) override
        {
            Lines += std::to_string(line.Number) + " " + std::to_string(static_cast<int>(line.What)) + " " +
                     std::to_string(line.Section) + " " + Dump(line.Key) + " " + Dump(line.RawValue) + " " +
                     Dump(line.Text) + "\n";
        }
    };
} // namespace

TEST(IniObserver, EveryLineIsToldWithItsNumberKindSectionKeyAndRawValue)
{
    using enum Orvel::IniLine::Kind;
    const std::string_view text = "; comment\n"
                                  "  g = 1  \n"
                                  "\t\n"
                                  "[A] ; note\n"
                                  "k =  \"v;w\" ; c\n"
                                  "k=2\n"
                                  "[Bad = x\n"
                                  "words\n"
                                  "[B]k=3\n"
                                  "[A]=5\n"
                                  "[A]=6\n"
                                  "[]";
    const auto line = [](int number, Orvel::IniLine::Kind kind, int section, std::string_view key, std::string_view raw,
                         std::string_view lineText) {
        return std::to_string(number) + " " + std::to_string(static_cast<int>(kind)) + " " + std::to_string(section) +
               " " + Dump(key) + " " + Dump(raw) + " " + Dump(lineText) + "\n";
    };
    const std::string expected = line(1, Comment, 0, "", "", "; comment") + line(2, Entry, 0, "g", "1", "g = 1") +
                                 line(3, Empty, 0, "", "", "") + line(4, Header, 1, "", "", "[A] ; note") +
                                 line(5, Entry, 1, "k", "\"v;w\" ; c", "k =  \"v;w\" ; c") +
                                 line(6, DuplicateEntry, 1, "k", "2", "k=2") +
                                 line(7, BadHeader, 1, "", "", "[Bad = x") + line(8, Ignored, 1, "", "", "words") +
                                 line(9, Header, 2, "", "", "[B]k=3") + line(9, Entry, 2, "[B]k", "3", "[B]k=3") +
                                 line(10, Header, 1, "", "", "[A]=5") + line(10, Entry, 1, "[A]", "5", "[A]=5") +
                                 line(11, Header, 1, "", "", "[A]=6") +
                                 line(11, DuplicateEntry, 1, "[A]", "6", "[A]=6") + line(12, Header, 0, "", "", "[]");
    const std::string document = "[]\ng=1\n[A]\nk=\"v;w\"\n[A]=5\n[B]\n[B]k=3\n";

    Recorder parsed;
    std::istringstream stream{std::string(text)};
    EXPECT_EQ(Render(IniInterface::Parse(stream, &parsed)), document);
    EXPECT_EQ(parsed.Lines, expected) << "Parse";

    NimbravaTest::TempDirectory directory;
    Recorder opened;
    IniInterface fromFile;
    fromFile.Open(directory.WriteFile("observed.ini", WithCrLf(text)), &opened);
    EXPECT_EQ(Render(fromFile), document);
    EXPECT_EQ(opened.Lines, expected) << "Open, CR LF";
}
