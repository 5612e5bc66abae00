#include "Orvel/Ini.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <ostream>
#include <set>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <gtest/gtest.h>
#include "Orvel/Exceptions.h"
#include "TempDirectory.h"

using Orvel::IniInterface;
using Section = IniInterface::Section;
using Entry = IniInterface::Entry;
using Sections = std::vector<Section>;

namespace Orvel
{
    // Readable failures: every byte outside printable ASCII is shown as \xHH.
    void PrintBytes(std::string_view bytes, std::ostream* out)
    {
        *out << '"';
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\')
                *out << c;
            else
                *out << "\\x" << std::hex << std::setw(2) << std::setfill('0') << static_cast<unsigned>(byte)
                     << std::dec;
        }
        *out << '"';
    }

    void PrintTo(const IniInterface::Entry& entry, std::ostream* out)
    {
        PrintBytes(entry.Key, out);
        *out << " = ";
        PrintBytes(entry.Value, out);
    }

    void PrintTo(const IniInterface::Section& section, std::ostream* out)
    {
        *out << "\n  [";
        PrintBytes(section.Name, out);
        *out << "]";
        for (const auto& entry : section.Entries)
        {
            *out << "\n    ";
            PrintTo(entry, out);
        }
    }
} // namespace Orvel

namespace
{
    IniInterface ParseText(std::string_view text)
    {
        std::istringstream stream{std::string(text)};
        auto document = IniInterface::Parse(stream);
        EXPECT_TRUE(stream.eof()) << "Parse leaves the stream at its end";
        EXPECT_FALSE(stream.bad());
        return document;
    }

    std::string WithCrLf(std::string_view text)
    {
        std::string out;
        for (const char c : text)
        {
            if (c == '\n')
                out += "\r\n";
            else
                out += c;
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

    // Reads `text` three ways, from a string stream and from files with LF and with CR LF line ends,
    // and expects the same sections each time.
    void ExpectDocument(std::string_view text, const Sections& expected)
    {
        {
            SCOPED_TRACE("string stream");
            const auto document = ParseText(text);
            EXPECT_EQ(document.Sections, expected);
            ExpectInvariants(document);
            EXPECT_TRUE(document.Path.empty());
        }
        NimbravaTest::TempDirectory directory;
        for (const bool crlf : {false, true})
        {
            SCOPED_TRACE(crlf ? "file with CR LF" : "file with LF");
            const auto path = directory.WriteFile(crlf ? "crlf.ini" : "lf.ini", crlf ? WithCrLf(text) : text);
            const IniInterface document(path);
            EXPECT_EQ(document.Sections, expected);
            EXPECT_EQ(document.Path, path);
        }
    }

    Section Global(std::vector<Entry> entries = {})
    {
        return {"", std::move(entries)};
    }
} // namespace

// ============================================================================================
// Lines: trimming, comments, blank lines, line ends
// ============================================================================================

TEST(IniLines, AnEmptyFileHoldsOnlyTheGlobalSection)
{
    ExpectDocument("", {Global()});
}

TEST(IniLines, CommentsAndBlankLinesAreNotStored)
{
    ExpectDocument("; a comment\n\n   \n\t\n  ; indented comment = with equals\n;[Section]\n", {Global()});
}

TEST(IniLines, KeysBeforeTheFirstHeaderLandInTheGlobalSection)
{
    ExpectDocument("a=1\n[S]\nb=2\n", {Global({{"a", "1"}}), {"S", {{"b", "2"}}}});
}

TEST(IniLines, OnlyASemicolonStartsAComment)
{
    ExpectDocument("# k = v\n// c = d\n", {Global({{"# k", "v"}, {"// c", "d"}})});
    ExpectDocument("a;b=c\n", {Global({{"a;b", "c"}})});
}

TEST(IniLines, ALineWithoutEqualsThatIsNoHeaderOrCommentIsIgnored)
{
    ExpectDocument("just words\n]\nk=v\nmore words\n", {Global({{"k", "v"}})});
}

TEST(IniLines, TheLastLineNeedsNoLineEnd)
{
    ExpectDocument("a=1\nb=2", {Global({{"a", "1"}, {"b", "2"}})});
    ExpectDocument("[S]", {Global(), {"S", {}}});
}

TEST(IniLines, EveryLineStandsAloneEvenAfterABackslash)
{
    ExpectDocument("a=x\\\nb=y\n", {Global({{"a", "x\\"}, {"b", "y"}})});
    ExpectDocument("a=\"x\\\nb=y\n", {Global({{"a", ""}, {"b", "y"}})});
}

TEST(IniLines, AllSixWhiteSpaceBytesAreTrimmed)
{
    ExpectDocument(" \t\v\fk \t\v\f= \t\v\fv \t\v\f\n", {Global({{"k", "v"}})});
    ExpectDocument("\tkey=value\t\n", {Global({{"key", "value"}})});
}

TEST(IniLines, BytesAboveAsciiAreNotWhiteSpace)
{
    ExpectDocument("\xA0k=v\xA0\n", {Global({{"\xA0k", "v\xA0"}})});
}

TEST(IniLines, ALoneCarriageReturnInsideALineIsKept)
{
    ExpectDocument("a=1\rb=2\n", {Global({{"a", "1\rb=2"}})});
}

TEST(IniLines, AByteOrderMarkIsNotSkipped)
{
    // It becomes part of the first line: a header there is not recognised, a key carries it.
    ExpectDocument("\xEF\xBB\xBF[S]\nk=v\n", {Global({{"k", "v"}})});
    ExpectDocument("\xEF\xBB\xBFk=v\n", {Global({{"\xEF\xBB\xBFk", "v"}})});
}

TEST(IniLines, CrLfAndLfFilesReadAlikeWhenMixed)
{
    NimbravaTest::TempDirectory directory;
    const auto mixed = directory.WriteFile("mixed.ini", "[S]\r\na = 1\nb = \"x;y\" ; c\r\n\r\nc=3");
    const IniInterface document(mixed);
    EXPECT_EQ(document.Sections, (Sections{Global(), {"S", {{"a", "1"}, {"b", "\"x;y\""}, {"c", "3"}}}}));
}

// The file is read as a text stream. On Windows the C runtime's text mode ends the text at a
// CTRL-Z byte (0x1A); elsewhere it is an ordinary byte.
TEST(IniLines, ControlZEndsTheTextOnlyOnWindows)
{
    NimbravaTest::TempDirectory directory;
    const IniInterface document(directory.WriteFile("z.ini", "a=1\n\x1A\nb=2\n"));
#ifdef _WIN32
    EXPECT_EQ(document.Sections, (Sections{Global({{"a", "1"}})}));
#else
    EXPECT_EQ(document.Sections, (Sections{Global({{"a", "1"}, {"b", "2"}})}));
#endif
}

// ============================================================================================
// Headers
// ============================================================================================

TEST(IniHeaders, TheNameIsExactlyTheBytesBetweenTheBrackets)
{
    ExpectDocument("[ Sec ]\nk=v\n", {Global(), {" Sec ", {{"k", "v"}}}});
    ExpectDocument("   [Sec]   \n", {Global(), {"Sec", {}}});
}

TEST(IniHeaders, NamesAreCaseSensitive)
{
    ExpectDocument("[Sec]\na=1\n[sec]\nb=2\n", {Global(), {"Sec", {{"a", "1"}}}, {"sec", {{"b", "2"}}}});
}

// Long names that differ only in their first byte: a comparison that looks at the end first must
// still compare the whole name.
TEST(IniHeaders, LongNamesThatShareTheirEndAreDifferent)
{
    ExpectDocument(
        "[ASection]\nAFileName=1\nBFileName=2\n[BSection]\nAFileName=3\n[ASection]\nBFileName=4\n",
        {Global(), {"ASection", {{"AFileName", "1"}, {"BFileName", "2"}}}, {"BSection", {{"AFileName", "3"}}}});
}

TEST(IniHeaders, ARepeatedHeaderContinuesTheEarlierSection)
{
    ExpectDocument("[A]\nx=1\n[B]\n[A]\ny=2\n", {Global(), {"A", {{"x", "1"}, {"y", "2"}}}, {"B", {}}});
}

TEST(IniHeaders, EmptyBracketsGoBackToTheGlobalSection)
{
    ExpectDocument("g=1\n[A]\na=1\n[]\nh=2\n", {Global({{"g", "1"}, {"h", "2"}}), {"A", {{"a", "1"}}}});
}

TEST(IniHeaders, AnUnclosedHeaderIsIgnored)
{
    ExpectDocument("[A]\n[Sec\nk=v\n[\nl=w\n", {Global(), {"A", {{"k", "v"}, {"l", "w"}}}});
}

TEST(IniHeaders, TextAfterTheFirstClosingBracketIsNotPartOfTheName)
{
    ExpectDocument("[Sec] junk\nk=v\n", {Global(), {"Sec", {{"k", "v"}}}});
    ExpectDocument("[Sec] ; comment\n", {Global(), {"Sec", {}}});
    ExpectDocument("[a]b]c\n", {Global(), {"a", {}}});
}

TEST(IniHeaders, AClosingBracketAtTheEndKeepsInnerBrackets)
{
    ExpectDocument("[a]b]\n[[x]]\n", {Global(), {"a]b", {}}, {"[x]", {}}});
}

TEST(IniHeaders, AHeaderLineWithEqualsIsAlsoAKeyLineOfTheNewSection)
{
    ExpectDocument("[A]x=1\n", {Global(), {"A", {{"[A]x", "1"}}}});
    ExpectDocument("[A=B]\n", {Global(), {"A=B", {{"[A", "B]"}}}});
    ExpectDocument("[Sec] ; a=b\n", {Global(), {"Sec", {{"[Sec] ; a", "b"}}}});
    // An unclosed header with '=' is ignored as a whole.
    ExpectDocument("[A=B\n", {Global()});
}

TEST(IniHeaders, NinetyNineSectionsKeepTheirFileOrder)
{
    std::string text;
    Sections expected{Global()};
    for (int i = 99; i >= 1; --i)
    {
        char name[16];
        std::snprintf(name, sizeof name, "WEATHERLIST%02d", i);
        text += std::string("[") + name + "]\nFileName=f" + std::to_string(i) + ".ini\n";
        expected.push_back({name, {{"FileName", "f" + std::to_string(i) + ".ini"}}});
    }
    ExpectDocument(text, expected);
}

TEST(IniHeaders, ThousandsOfSectionsAndKeysKeepTheFirstWinsRules)
{
    // Enough names that repeated ones are found through an index rather than by comparing with
    // each earlier one; short names, whose bytes move whenever the vector holding them grows.
    constexpr int count = 1000;
    std::string text = "g=0\n";
    Sections expected{Global({{"g", "0"}, {"h", "1"}})};
    for (int i = 0; i < count; ++i)
    {
        text += "[S" + std::to_string(i) + "]\na=" + std::to_string(i) + "\n";
        expected.push_back({"S" + std::to_string(i), {{"a", std::to_string(i)}, {"b", std::to_string(i)}}});
    }
    for (int i = count - 1; i >= 0; --i)
        text += "[S" + std::to_string(i) + "]\na=again\nb=" + std::to_string(i) + "\n";
    text += "[]\ng=again\nh=1\n[K]\n";
    Section keys{"K", {}};
    for (int i = 0; i < count; ++i)
    {
        text += "k" + std::to_string(i) + "=" + std::to_string(i) + "\n";
        keys.Entries.push_back({"k" + std::to_string(i), std::to_string(i)});
    }
    for (int i = count - 1; i >= 0; --i)
        text += "k" + std::to_string(i) + "=again\n";
    text += "z=1\n";
    keys.Entries.push_back({"z", "1"});
    expected.push_back(keys);
    ExpectDocument(text, expected);
}

// ============================================================================================
// Keys
// ============================================================================================

TEST(IniKeys, TheFirstOccurrenceOfAKeyWins)
{
    ExpectDocument("x=1\nx=2\n", {Global({{"x", "1"}})});
    ExpectDocument("x=\"unclosed\nx=2\n", {Global({{"x", ""}})});
    ExpectDocument("[A]\nx=1\n[B]\n[A]\nx=2\n", {Global(), {"A", {{"x", "1"}}}, {"B", {}}});
}

TEST(IniKeys, KeysAreCaseSensitive)
{
    ExpectDocument("X=1\nx=1\n", {Global({{"X", "1"}, {"x", "1"}})});
}

TEST(IniKeys, TheSameKeyInTwoSectionsIsTwoEntries)
{
    ExpectDocument("k=0\n[A]\nk=1\n[B]\nk=2\n", {Global({{"k", "0"}}), {"A", {{"k", "1"}}}, {"B", {{"k", "2"}}}});
}

TEST(IniKeys, AKeyMayBeEmpty)
{
    ExpectDocument("=v\n = w\n", {Global({{"", "v"}})});
}

TEST(IniKeys, TheFirstEqualsSplitsAndSpaceAroundItIsTrimmed)
{
    ExpectDocument("a=b=c\n", {Global({{"a", "b=c"}})});
    ExpectDocument("a b   =   c d\n", {Global({{"a b", "c d"}})});
}

// ============================================================================================
// Values: every row through an LF file and a CR LF file
// ============================================================================================

namespace
{
    struct ValueRow
    {
        std::string_view Written; // the text after '='
        std::string_view Stored;
    };

    // Runs every row as one line "v<n>=<written>" of one file with the given line ends, and checks
    // each stored value. The rows share a file, so a row whose quote never closes also shows that it
    // disturbs no other line.
    void ExpectValues(const std::vector<ValueRow>& rows, std::string_view lineEnd)
    {
        std::string text = "[Values]";
        text += lineEnd;
        for (std::size_t i = 0; i < rows.size(); ++i)
        {
            text += "v" + std::to_string(i) + "=";
            text += rows[i].Written;
            text += lineEnd;
        }
        NimbravaTest::TempDirectory directory;
        const IniInterface document(directory.WriteFile("values.ini", text));
        ASSERT_EQ(document.Sections.size(), 2u);
        const auto& entries = document.Sections[1].Entries;
        ASSERT_EQ(entries.size(), rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
        {
            EXPECT_EQ(entries[i].Key, "v" + std::to_string(i));
            EXPECT_EQ(entries[i].Value, rows[i].Stored)
                << "written: " << ::testing::PrintToString(rows[i].Written) << " (stored "
                << ::testing::PrintToString(entries[i].Value) << ")";
        }
    }

    class IniValues : public ::testing::TestWithParam<std::string_view>
    {
    };
    class IniEscapes : public ::testing::TestWithParam<std::string_view>
    {
    };

    std::string LineEndName(const ::testing::TestParamInfo<std::string_view>& info)
    {
        return info.param == "\n" ? "LF" : "CRLF";
    }
} // namespace

TEST_P(IniValues, PlainValuesAreStoredAsWritten)
{
    ExpectValues(
        {
            {"", ""},
            {"   ", ""},
            {"abc", "abc"},
            {"  a b  ", "a b"},
            {"\ta b\t", "a b"},
            {"x=y", "x=y"},
            {"C:\\dir\\x.ini", "C:\\dir\\x.ini"},
            {"a\\", "a\\"},
            {"a\\;b", "a\\"},
            {"[x]", "[x]"},
        },
        GetParam());
}

TEST_P(IniValues, AnUnquotedSemicolonStartsAnInlineComment)
{
    ExpectValues(
        {
            {" a ; c", "a"},
            {" a;c", "a"},
            {"a   ;c", "a"},
            {";only a comment", ""},
            {" ; ", ""},
            {"a ; \"b", "a"},
        },
        GetParam());
}

TEST_P(IniValues, QuotedValuesKeepTheirQuotes)
{
    ExpectValues(
        {
            {" \"a;b\"", "\"a;b\""},
            {" \"\"", "\"\""},
            {" \"  a  \"", "\"  a  \""},
            {" a \"b\" c", "\"a b c\""},
            {"\"a\"\"b\"", "\"ab\""},
            {"\"a\"b", "\"ab\""},
            {"\"a ;\" b", "\"a ; b\""},
            {"\"\" ;c", "\"\""},
            {"\"a\" ;", "\"a\""},
        },
        GetParam());
}

TEST_P(IniValues, AnInlineCommentTrimsSpacesCopiedFromInsideQuotes)
{
    ExpectValues(
        {
            {" \"  a  \" ; c", "\"  a\""},
            {"\"a\t\" ;", "\"a\""},
            {"\"  \" ;", "\"\""},
        },
        GetParam());
}

TEST_P(IniValues, QuotesThatNeverCloseStoreTheEmptyValue)
{
    ExpectValues(
        {
            {" \"abc", ""},
            {" 5\" wide", ""},
            {"\"", ""},
            {"\"a\" \"b", ""},
            {"\"a;b", ""},
            {"\"a\\\"", ""},
            {"\"a\\", ""},
            {"\"\\", ""},
        },
        GetParam());
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniValues, ::testing::Values("\n", "\r\n"), LineEndName);

// ============================================================================================
// Escapes (inside quotes only)
// ============================================================================================

TEST_P(IniEscapes, TheLetters)
{
    ExpectValues(
        {
            {"\"\\a\\b\\f\\n\\r\\t\\v\"", "\"\a\b\f\n\r\t\v\""},
            {"\"\\\\\"", "\"\\\""},
            {"\"\\\"\"", "\"\"\""},
            {"\"\\;\"", "\";\""},
            {"\"\\d\"", "\"d\""},
            {"\"\\N\\A\\T\"", "\"NAT\""},
            {"\"\\X41\"", "\"X41\""},
            {"\"\\ \"", "\" \""},
        },
        GetParam());
}

TEST_P(IniEscapes, HexadecimalEscapes)
{
    ExpectValues(
        {
            {"\"\\x41\"", "\"A\""},
            {"\"\\x0041\"", "\"A\""},
            {"\"\\x4a\\x4A\"", "\"JJ\""},
            {"\"\\x7\"", "\"\a\""},
            {"\"\\xff\"", "\"\xff\""},
            {"\"\\x100\"", "\"?\""},
            {"\"\\xFFFFFFFFFFFFFFFFFFFF1\"", "\"?\""},
            {"\"\\xg\"", "\"?g\""},
            {"\"\\x\"", "\"?\""},
            {"\"\\x;\"", "\"?;\""},
            {"\"\\x41B\"", "\"?\""},
            {"\"\\x41\\x42\"", "\"AB\""},
        },
        GetParam());
}

TEST_P(IniEscapes, OctalEscapes)
{
    using namespace std::string_view_literals;
    ExpectValues(
        {
            {"\"\\101\"", "\"A\""},
            {"\"\\0101\"", "\"A\""},
            {"\"\\377\"", "\"\xff\""},
            {"\"\\7\"", "\"\a\""},
            {"\"\\18\"", "\"\x01"
                         "8\""},
            {"\"\\400\"", "\"400\""},
            {"\"\\777\"", "\"777\""},
            {"\"\\1234\"", "\"1234\""},
            {"\"\\40000000000\"", "\"40000000000\""}, // far past 8 bits: never wraps round to a byte
            {"\"\\0\"", "\"\0\""sv},
            {"\"a\\000b\"", "\"a\0b\""sv},
        },
        GetParam());
}

TEST_P(IniEscapes, WindowsPathsInQuotes)
{
    ExpectValues(
        {
            {" \"C:\\\\dir\\\\x.ini\"", "\"C:\\dir\\x.ini\""},
            {" \"C:\\dir\\x.ini\"", "\"C:dir?.ini\""},
            {" C:\\dir\\x.ini", "C:\\dir\\x.ini"},
        },
        GetParam());
}

TEST_P(IniEscapes, NoEscapesOutsideQuotes)
{
    ExpectValues(
        {
            {"a\\nb", "a\\nb"},
            {"\\x41", "\\x41"},
            {"\\\"x\"", "\"\\x\""},
            {"\"a\"\\n", "\"a\\n\""},
        },
        GetParam());
}

TEST_P(IniEscapes, AnEscapedByteCanBeALineEndOrWhiteSpace)
{
    ExpectValues(
        {
            {"\"a\\n\"", "\"a\n\""},
            {"\"\\r\\n\"", "\"\r\n\""},
            {"\"a\\t\" ;", "\"a\""},
        },
        GetParam());
}

INSTANTIATE_TEST_SUITE_P(LineEnds, IniEscapes, ::testing::Values("\n", "\r\n"), LineEndName);

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

TEST(IniFailures, AMissingFileCannotBeOpened)
{
    NimbravaTest::TempDirectory directory;
    ExpectOpenThrows(directory.Path() / "_nimbrava.ini", "Unable to open file");
    ExpectOpenThrows(directory.Path() / "no such folder" / "_nimbrava.ini", "Unable to open file");
}

TEST(IniFailures, ADirectoryCannotBeOpened)
{
    NimbravaTest::TempDirectory directory;
    ExpectOpenThrows(directory.Path(), "Unable to open file");
}

TEST(IniFailures, OpenSetsThePathEvenWhenItThrows)
{
    NimbravaTest::TempDirectory directory;
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
    EXPECT_EQ(document.Sections, (Sections{Global({{"a", "1"}}), {"S", {{"b", "2"}}}}));
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
    EXPECT_EQ(document.Sections, (Sections{Global(), {"B", {{"y", "2"}}}}));
    document.Open(first);
    EXPECT_EQ(document.Sections, (Sections{Global({{"a", "1"}}), {"A", {{"x", "1"}}}}));
}

TEST(IniFailures, PathsOutsideAscii)
{
    NimbravaTest::TempDirectory directory;
    const auto name = std::filesystem::path(u8"Wetterliste \u00e9\u00df \u0416.ini");
    const auto path = directory.WriteFile(name, "[S]\nk=v\n");
    EXPECT_EQ(IniInterface(path).Sections, (Sections{Global(), {"S", {{"k", "v"}}}}));

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

TEST(IniFailures, BinaryGarbageNeitherCrashesNorBreaksTheDocument)
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
    const IniInterface fromFile(directory.WriteFile("garbage.ini", bytes));
    ExpectInvariants(fromFile);
    ExpectInvariants(ParseText(bytes));
}

TEST(IniFailures, ATenMegabyteLine)
{
    constexpr std::size_t size = 10u << 20;
    NimbravaTest::TempDirectory directory;

    const IniInterface value(directory.WriteFile("value.ini", "k=" + std::string(size, 'v') + "\nnext=1\n"));
    ASSERT_EQ(value.Sections.size(), 1u);
    ASSERT_EQ(value.Sections[0].Entries.size(), 2u);
    EXPECT_EQ(value.Sections[0].Entries[0].Value.size(), size);
    EXPECT_EQ(value.Sections[0].Entries[1], (Entry{"next", "1"}));

    const IniInterface brackets(directory.WriteFile("brackets.ini", std::string(size, '[')));
    EXPECT_EQ(brackets.Sections, (Sections{Global()}));

    const IniInterface quoted(directory.WriteFile("quoted.ini", "k=\"" + std::string(size, '\\')));
    EXPECT_EQ(quoted.Sections, (Sections{Global({{"k", ""}})})) << "an unclosed quote after 5 M escapes";
}

TEST(IniFailures, FilesOfOnlyEqualsOrOnlyBrackets)
{
    ExpectDocument("=\n=\n==\n", {Global({{"", ""}})});
    ExpectDocument(std::string(4096, '='), {Global({{"", std::string(4095, '=')}})});
    ExpectDocument("[\n[[\n[[[\n", {Global()});
    ExpectDocument(std::string(4096, '['), {Global()});
    ExpectDocument(std::string(4096, ']'), {Global()});
}

TEST(IniFailures, NulBytesAreOrdinaryBytes)
{
    using namespace std::string_literals;
    using namespace std::string_view_literals;
    ExpectDocument("k\0=v\0w\n[\0]\nx=\"\0\"\n\0\n"sv, {Global({{"k\0"s, "v\0w"s}}), {"\0"s, {{"x", "\"\0\""s}}}});
}

// ============================================================================================
// The line observer
// ============================================================================================

namespace
{
    struct SeenLine
    {
        std::size_t Number;
        Orvel::IniLine::Kind What;
        std::string Text;
        std::size_t Section;
        std::string Key;
        std::string RawValue;

        friend bool operator==(const SeenLine&, const SeenLine&) = default;
        friend void PrintTo(const SeenLine& line, std::ostream* out)
        {
            *out << line.Number << " kind " << static_cast<int>(line.What) << " ";
            Orvel::PrintBytes(line.Text, out);
            *out << " section " << line.Section << " key ";
            Orvel::PrintBytes(line.Key, out);
            *out << " raw ";
            Orvel::PrintBytes(line.RawValue, out);
        }
    };

    class Recorder final : public Orvel::IIniLineObserver
    {
    public:
        std::vector<SeenLine> Lines;
        void Line(const Orvel::IniLine& line) override
        {
            Lines.push_back({line.Number, line.What, std::string(line.Text), line.Section, std::string(line.Key),
                             std::string(line.RawValue)});
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
    const std::vector<SeenLine> expected{
        {1, Comment, "; comment", 0, "", ""},
        {2, Entry, "g = 1", 0, "g", "1"},
        {3, Empty, "", 0, "", ""},
        {4, Header, "[A] ; note", 1, "", ""},
        {5, Entry, "k =  \"v;w\" ; c", 1, "k", "\"v;w\" ; c"},
        {6, DuplicateEntry, "k=2", 1, "k", "2"},
        {7, BadHeader, "[Bad = x", 1, "", ""},
        {8, Ignored, "words", 1, "", ""},
        {9, Header, "[B]k=3", 2, "", ""},
        {9, Entry, "[B]k=3", 2, "[B]k", "3"},
        {10, Header, "[A]=5", 1, "", ""},
        {10, Entry, "[A]=5", 1, "[A]", "5"},
        {11, Header, "[A]=6", 1, "", ""},
        {11, DuplicateEntry, "[A]=6", 1, "[A]", "6"},
        {12, Header, "[]", 0, "", ""},
    };
    const Sections document{Global({{"g", "1"}}), {"A", {{"k", "\"v;w\""}, {"[A]", "5"}}}, {"B", {{"[B]k", "3"}}}};

    {
        SCOPED_TRACE("Parse");
        Recorder recorder;
        std::istringstream stream{std::string(text)};
        EXPECT_EQ(IniInterface::Parse(stream, &recorder).Sections, document);
        EXPECT_EQ(recorder.Lines, expected);
    }
    {
        SCOPED_TRACE("Open, CR LF");
        NimbravaTest::TempDirectory directory;
        Recorder recorder;
        IniInterface opened;
        opened.Open(directory.WriteFile("observed.ini", WithCrLf(text)), &recorder);
        EXPECT_EQ(opened.Sections, document);
        EXPECT_EQ(recorder.Lines, expected);
    }
}
