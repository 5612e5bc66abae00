#include "Orvel/Ini.h"

#include <streambuf>
#include <gtest/gtest.h>
#include "DataFiles.h"
#include "Orvel/Exceptions.h"

using NimbravaTest::Escape;
using Orvel::IniInterface;

namespace
{
    // A document as the .expected files hold it: "[name]" for each section, the global one "[]"
    // first, then "key=value" for each entry, bytes written as Escape writes them.
    std::string Render(const IniInterface& document)
    {
        std::string out;
        for (const auto& section : document.Sections)
        {
            out += "[" + Escape(section.Name) + "]\n";
            for (const auto& entry : section.Entries)
                out += Escape(entry.Key) + "=" + Escape(entry.Value) + "\n";
        }
        return out;
    }

    // Each line told to the observer as the .lines files hold it: number, kind, section, key, raw
    // value and text, separated by tabs.
    struct Recorder final : Orvel::IIniLineObserver
    {
        std::string Lines;
        void Line(const Orvel::IniLine& line) override
        {
            static constexpr const char* Kinds[] = {"Empty", "Comment",        "Header", "BadHeader",
                                                    "Entry", "DuplicateEntry", "Ignored"};
            Lines += std::to_string(line.Number) + "\t" + Kinds[static_cast<int>(line.What)] + "\t" +
                     std::to_string(line.Section) + "\t" + Escape(line.Key) + "\t" + Escape(line.RawValue) + "\t" +
                     Escape(line.Text) + "\n";
        }
    };

    // Reads `text` from a string stream and from files with LF and with CR LF line ends, and expects
    // the same document each time, and the same lines told to an observer: `lines` when given.
    void ExpectDocument(std::string_view text, std::string_view expected, std::string_view lines = {})
    {
        std::istringstream stream{std::string(text)};
        const auto document = IniInterface::Parse(stream);
        EXPECT_TRUE(stream.eof()) << "Parse leaves the stream at its end";
        EXPECT_FALSE(stream.bad());
        EXPECT_TRUE(document.Path.empty());
        EXPECT_EQ(Render(document), expected) << "string stream";
        std::string crlf;
        for (const char c : text)
            crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        NimbravaTest::TempDirectory directory;
        std::vector<std::string> told;
        for (const auto& [name, bytes] : {std::pair{"lf.ini", std::string(text)}, std::pair{"crlf.ini", crlf}})
        {
            Recorder observer;
            IniInterface fromFile;
            const auto path = directory.WriteFile(name, bytes);
            fromFile.Open(path, &observer);
            EXPECT_EQ(fromFile.Path, path);
            EXPECT_EQ(fromFile.Sections, document.Sections) << name;
            told.push_back(observer.Lines);
        }
        EXPECT_EQ(told[1], told[0]) << "CR LF ends lines as LF does";
        EXPECT_EQ(told[0], lines.empty() ? told[0] : lines);
    }
} // namespace

// Every case in tests/data/ini: NAME.ini beside NAME.expected, the document it must read as, and
// where there is one, NAME.lines, what the line observer must be told.
TEST(IniDocuments, EachCaseFileReadsAsItsExpectedDocument)
{
    std::size_t cases = 0;
    for (const auto& entry : std::filesystem::directory_iterator(NIMBRAVA_TEST_DATA "/ini"))
    {
        auto path = entry.path();
        if (path.extension() != ".ini")
            continue;
        ++cases;
        SCOPED_TRACE(path.filename().string());
        const auto text = NimbravaTest::ReadFile(path);
        const auto expected = NimbravaTest::ReadFile(path.replace_extension(".expected"));
        ASSERT_FALSE(expected.empty()) << "no .expected beside the case";
        ExpectDocument(text, expected, NimbravaTest::ReadFile(path.replace_extension(".lines")));
    }
    EXPECT_GE(cases, 55u) << "the case files are missing";
}

TEST(IniFailures, FilesThatCannotBeOpenedOrReadThrowIOExceptionNamingThemAndParseKeepsWhatItRead)
{
    NimbravaTest::TempDirectory directory;
    // Linux's memory file of a process opens, but reading its first page, which is never mapped,
    // fails with EIO. Under Wine the same file is reached through drive Z:, the Unix root.
    const std::filesystem::path memory = NimbravaTest::Windows ? "Z:\\proc\\self\\mem" : "/proc/self/mem";
    const std::pair<std::filesystem::path, std::string> rows[] = {
        {directory / "_nimbrava.ini", "Unable to open file"},
        {directory / "no such folder" / "_nimbrava.ini", "Unable to open file"},
        {directory.Path(), "Unable to open file"},
        {directory / std::filesystem::path(u8"fehlt \u00e9.ini"), "Unable to open file"},
        {memory, "Unable to read file"}, // skipped where there is none (Windows proper)
    };
    std::error_code ignored;
    for (const auto& [path, message] : rows)
    {
        if (path == memory && !std::filesystem::exists(memory, ignored))
            continue;
        IniInterface document;
        const auto e = NimbravaTest::Caught<Orvel::IOException>([&] { document.Open(path); });
        EXPECT_EQ(e.ToString(), "IOException(" + message + " " + path.string() + ")");
        EXPECT_EQ(document.Path, path) << "Open sets the path even when it throws";
        EXPECT_NE(std::string(e.GetLocation().file_name()).find("Ini.cpp"), std::string::npos);
        EXPECT_NE(std::string(e.GetLocation().function_name()).find("Open"), std::string::npos);
    }

    const auto name = std::filesystem::path(u8"Wetterliste \u00e9\u00df \u0416.ini");
    EXPECT_EQ(Render(IniInterface(directory.WriteFile(name, "[S]\nk=v\n"))), "[]\n[S]\nk=v\n");

    // Parse keeps what was read before a read error and reports it in the stream.
    // A stream buffer that hands out one block of text, then fails.
    struct FailingBuffer : std::streambuf
    {
        std::string Text = "a=1\n[S]\nb=2\nc=";
        FailingBuffer() { setg(Text.data(), Text.data(), Text.data() + Text.size()); }
        int_type underflow() override { throw std::ios_base::failure("disk gone"); }
    } buffer;
    std::istream stream(&buffer);
    EXPECT_EQ(Render(IniInterface::Parse(stream)), "[]\na=1\n[S]\nb=2\n");
    EXPECT_TRUE(stream.bad());
}

// Random bytes are the fuzzer's (fuzz/Ini.fuzz.cpp, against a reference reader); sizes far past
// what it tries are here.
TEST(IniFiles, TenMegabyteLinesAreReadWholeCtrlZEndsTheTextOnWindowsAndOpenReplaces)
{
    constexpr std::size_t size = 10u << 20;
    NimbravaTest::TempDirectory directory;
    const IniInterface value(directory.WriteFile("value.ini", "k=" + std::string(size, 'v') + "\nnext=1\n"));
    EXPECT_EQ(value.Sections.at(0).Entries,
              (std::vector<IniInterface::Entry>{{"k", std::string(size, 'v')}, {"next", "1"}}));
    EXPECT_EQ(Render(IniInterface(directory.WriteFile("brackets.ini", std::string(size, '[')))), "[]\n");
    EXPECT_EQ(Render(IniInterface(directory.WriteFile("quoted.ini", "k=\"" + std::string(size, '\\')))), "[]\nk=\n")
        << "an unclosed quote after 5 M escapes";

    // The file is read as a text stream. On Windows the C runtime's text mode ends the text at a
    // CTRL-Z byte (0x1A); elsewhere it is an ordinary byte.
    EXPECT_EQ(Render(IniInterface(directory.WriteFile("z.ini", "a=1\n\x1A\nb=2\n"))),
              NimbravaTest::Windows ? "[]\na=1\n" : "[]\na=1\nb=2\n");

    // Open replaces the sections: as if opened afresh.
    const auto first = directory.WriteFile("first.ini", "a=1\n[A]\nx=1\n");
    IniInterface document(first);
    EXPECT_EQ(&document.Open(directory.WriteFile("second.ini", "[B]\ny=2\n")), &document);
    EXPECT_EQ(Render(document), "[]\n[B]\ny=2\n") << "nothing is merged";
    EXPECT_EQ(document.Open(first), IniInterface(first));
}
