#include "Orvel/Exceptions.h"
#include "Orvel/Log.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

namespace
{
    constexpr char Literal[] = "Bad function call";
}

TEST(GenericException, LiteralMessageIsKeptByAddress)
{
    const Orvel::GenericException e(Literal);
    EXPECT_EQ(e.what(), Literal) << "what() is the literal itself, not a copy";
    EXPECT_EQ(e.GetMessage().data(), Literal);
    EXPECT_EQ(e.GetMessage(), "Bad function call");
    EXPECT_TRUE(e.HasStaticMessage());
    EXPECT_EQ(std::string(e.std::runtime_error::what()), "") << "the base text stays empty";
    EXPECT_EQ(e.ToString(), "GenericException(Bad function call)");
}

TEST(GenericException, LiteralMessageAllocatesNothing)
{
    (void)Orvel::GenericException("warm-up"); // the shared empty base text is made once
    NimbravaTest::AllocationCounter counter;
    const Orvel::InvalidOperationException e(
        "A literal message that is far longer than any small-string buffer could ever hold inline");
    const Orvel::InvalidOperationException copy = e;
    EXPECT_EQ(counter.Count(), 0u);
    EXPECT_EQ(copy.what(), e.what());
}

TEST(GenericException, FormattedMessageIsCopied)
{
    const std::string name = "_nimbrava.ini";
    const Orvel::IOException e("Unable to open file {}", name);
    EXPECT_EQ(std::string(e.what()), "Unable to open file _nimbrava.ini");
    EXPECT_EQ(e.GetMessage(), "Unable to open file _nimbrava.ini");
    EXPECT_EQ(e.GetMessage().data(), e.what());
    EXPECT_FALSE(e.HasStaticMessage());
    EXPECT_EQ(e.ToString(), "IOException(Unable to open file _nimbrava.ini)");
}

TEST(GenericException, RecordsTheThrowSite)
{
    const int line = __LINE__ + 1;
    const Orvel::IOException formatted("x {}", 1);
    const Orvel::IOException literal("x");
    EXPECT_EQ(formatted.GetLocation().line(), static_cast<unsigned>(line));
    EXPECT_EQ(literal.GetLocation().line(), static_cast<unsigned>(line + 1));
    EXPECT_NE(std::string(formatted.GetLocation().file_name()).find("Exceptions.test.cpp"), std::string::npos);
}

// Up to 127 characters the formatting buffer is inline: the only allocation is the base's copy.
// 128 characters plus the terminator grow it once, to 256.
TEST(GenericException, FormattedMessageBufferGrowsOnlyPast127Characters)
{
    const std::string text127(127, 'm');
    const std::string text128(128, 'n');
    std::size_t small = 0;
    std::size_t exact = 0;
    {
        NimbravaTest::AllocationCounter counter;
        const Orvel::GenericException e("{}", text127);
        small = counter.Count();
        EXPECT_EQ(e.GetMessage(), text127);
    }
    {
        NimbravaTest::AllocationCounter counter;
        const Orvel::GenericException e("{}", text128);
        exact = counter.Count();
        EXPECT_EQ(e.GetMessage(), text128);
        EXPECT_EQ(std::strlen(e.what()), 128u);
    }
    EXPECT_EQ(small, 1u);
    EXPECT_EQ(exact, 2u);

    Orvel::ExceptionDetails::MessageBuffer buffer;
    fmt::format_to(std::back_inserter(buffer), "{}", text128);
    EXPECT_EQ(buffer.capacity(), 128u);
    buffer.push_back('\0');
    EXPECT_EQ(buffer.capacity(), 256u);
}

TEST(GenericException, EmbeddedNulNeverClaimsMoreThanTheCopy)
{
    const std::string withNul("ab\0cd", 5);
    const Orvel::GenericException e("{}", withNul);
    EXPECT_EQ(e.GetMessage(), "ab");
    EXPECT_EQ(e.ToString(), "GenericException(ab)");
}

TEST(GenericException, CopiesKeepTheirText)
{
    std::string copied;
    try
    {
        throw Orvel::IOException("Unable to read file {}", std::string("a.ini"));
    }
    catch (const Orvel::GenericException& e)
    {
        const Orvel::GenericException copy = e; // sliced to the base part
        copied = copy.ToString();
    }
    EXPECT_EQ(copied, "GenericException(Unable to read file a.ini)");
}

TEST(GenericException, ToStringOfEveryType)
{
    EXPECT_EQ(Orvel::GenericException("m").ToString(), "GenericException(m)");
    EXPECT_EQ(Orvel::InvalidOperationException("Bad function call").ToString(),
              "InvalidOperationException(Bad function call)");
    EXPECT_EQ(Orvel::IOException("Unable to open file {}", "x").ToString(), "IOException(Unable to open file x)");
    errno = 0;
    EXPECT_TRUE(
        Orvel::ErrnoException<Orvel::IOException>("m").ToString().starts_with("IOException(m) -> errno state (0): "));
}

TEST(GenericException, ToStringNeverThrows)
{
    const Orvel::IOException e("{}", std::string(300, 'q'));
    const std::string full = e.ToString();
    for (std::size_t allowed = 0; allowed < 3; ++allowed)
    {
        std::string text;
        {
            NimbravaTest::AllocationFailure failure(allowed);
            EXPECT_NO_THROW(text = e.ToString());
        }
        EXPECT_TRUE(text.empty() || text == full) << text;
    }
}

TEST(ErrnoException, RendersTheErrnoValueAndItsText)
{
    errno = ENOENT;
    const Orvel::ErrnoException<Orvel::IOException> e("Couldn't open {}", "x");
    EXPECT_EQ(e.GetErrnoValue(), ENOENT);
    EXPECT_EQ(e.ToString(), "IOException(Couldn't open x) -> errno state (2): No such file or directory");
}

TEST(ErrnoException, ReadsErrnoOnceTheBaseIsComplete)
{
    errno = EACCES;
    const Orvel::ErrnoException<Orvel::IOException> e("denied");
    errno = 0;
    EXPECT_EQ(e.GetErrnoValue(), EACCES);
    EXPECT_TRUE(e.ToString().starts_with("IOException(denied) -> errno state (13): ")) << e.ToString();
}

TEST(ErrnoException, ToStringKeepsWhatItBuiltWhenTheErrnoPartFails)
{
    errno = ENOENT;
    const Orvel::ErrnoException<Orvel::IOException> e("{}", std::string(40, 'p'));
    const std::string base = "IOException(" + std::string(40, 'p') + ")";
    bool sawPartial = false;
    for (std::size_t allowed = 0; allowed < 6; ++allowed)
    {
        std::string text;
        {
            NimbravaTest::AllocationFailure failure(allowed);
            EXPECT_NO_THROW(text = e.ToString());
        }
        EXPECT_TRUE(text.empty() || text.starts_with(base)) << text;
        sawPartial = sawPartial || text == base;
    }
    EXPECT_TRUE(sawPartial) << "a failure in the errno part returns the base's text";
}

TEST(LogFileOpenException, NamesThePathAndRecordsErrno)
{
    const std::filesystem::path path = std::filesystem::path("missing-directory") / "Nimbrava.log";
    errno = ENOENT;
    const Orvel::LogFileOpenException e(path);
    EXPECT_EQ(e.GetErrnoValue(), ENOENT);
    EXPECT_EQ(e.GetMessage(), "Couldn't open logging file '" + path.string() + "'");
    EXPECT_EQ(e.ToString(), "IOException(Couldn't open logging file '" + path.string() +
                                "') -> errno state (2): No such file or directory");
    EXPECT_NE(std::string(e.GetLocation().file_name()).find("Log.cpp"), std::string::npos)
        << "the location is the logger's, not the catcher's";
    const Orvel::IOException& asBase = e;
    EXPECT_NE(asBase.ToString().find("errno state"), std::string::npos) << "ToString is virtual";
}
