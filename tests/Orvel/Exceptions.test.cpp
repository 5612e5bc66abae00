#include "Orvel/AggregateException.h"
#include "Orvel/Exceptions.h"

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <gtest/gtest.h>
#include "AllocationCounter.h"
#include "DataFiles.h"

namespace NimbravaTest
{
    struct Oops : std::logic_error
    {
        Oops() : std::logic_error("oops") {}
    };
    // Made outside any handler: a nested_exception that holds nothing (rethrowing it would end the
    // process).
    struct EmptyNest : std::runtime_error, std::nested_exception
    {
        EmptyNest() : std::runtime_error("nothing inside") {}
    };
} // namespace NimbravaTest

namespace
{
    using namespace Orvel;
    using NimbravaTest::Thrown;

    // What `inner` holds, thrown nested in `outer`.
    template <typename Outer>
    std::exception_ptr Nest(Outer outer, const std::exception_ptr& inner)
    {
        return Thrown([&] {
            try
            {
                std::rethrow_exception(inner);
            }
            catch (...)
            {
                std::throw_with_nested(outer);
            }
        });
    }

    // AppendExceptionText's rendering, after text the caller already holds ("> ").
    std::string Text(const std::exception_ptr& thrown)
    {
        std::string text = "> ";
        try
        {
            std::rethrow_exception(thrown);
        }
        catch (const std::exception& e)
        {
            AppendExceptionText(text, e, 0);
        }
        return text;
    }

    // The texts of tests/data/orvel/exception-texts.tsv, by row name. Demangled names are the same
    // in both builds (both use the Itanium ABI's demangler).
    std::map<std::string, std::string> Texts()
    {
        AggregateException none, generic, order, multiLine, emptyNest;
        generic.Add(static_cast<const GenericException&>(InvalidOperationException("Bad call")));
        order.Add(std::runtime_error("second"));
        order.Add(GenericException("first"));
        order.Add(Thrown([] { throw 7; }));
        order.Add(std::make_exception_ptr(IOException("io")));
        order.Add(std::make_exception_ptr(std::out_of_range("range")));
        multiLine.Add(GenericException("line one\nline two"));
        multiLine.Add(Nest(std::logic_error("outer"), std::make_exception_ptr(std::runtime_error("inner"))));
        multiLine.Add(Nest(IOException("outer io"), std::make_exception_ptr(std::runtime_error("inner"))));
        emptyNest.Add(std::make_exception_ptr(NimbravaTest::EmptyNest()));
        errno = ENOENT;
        const ErrnoException<IOException> enoent("Couldn't open {}", "x");
        errno = EACCES;
        const ErrnoException<IOException> eacces("denied");
        errno = 0; // read once the base was complete, not when rendered
        const auto io = std::make_exception_ptr(IOException("Unable to read file {}", "w.ini"));
        return {
            {"literal", GenericException("Bad function call").ToString()},
            {"formatted", IOException("Unable to open file {}", std::string("a.ini")).ToString()},
            {"invalid operation", InvalidOperationException("Bad function call").ToString()},
            {"embedded NUL", GenericException("{}", std::string("ab\0cd", 5)).ToString()},
            {"sliced copy", NimbravaTest::Caught<GenericException>([] {
                                throw IOException("Unable to read file {}", std::string("a.ini"));
                            }).ToString()},
            {"errno", enoent.ToString()},
            {"errno read once the base is complete", eacces.ToString()},
            {"standard", Text(std::make_exception_ptr(std::runtime_error("x")))},
            {"standard subclass", Text(std::make_exception_ptr(std::out_of_range("range")))},
            {"own standard subclass", Text(std::make_exception_ptr(NimbravaTest::Oops()))},
            {"library", Text(std::make_exception_ptr(IOException("Unable to open file {}", "a")))},
            {"nested", Text(Nest(std::logic_error("update failed"), Nest(std::runtime_error("loading failed"), io)))},
            {"nested non-standard", Text(Nest(std::runtime_error("o"), Thrown([] { throw 42; })))},
            {"empty nest", Text(std::make_exception_ptr(NimbravaTest::EmptyNest()))},
            {"aggregate of none", none.ToString()},
            {"aggregate of an empty nest", emptyNest.ToString()},
            {"aggregate keeps the generic part", generic.ToString()},
            {"aggregate list order", order.ToString()},
            {"aggregate of multi-line entries", multiLine.ToString()},
        };
    }
} // namespace

TEST(ExceptionTexts, EveryRowOfTheTable)
{
    ASSERT_EQ(NimbravaTest::EmptyNest().nested_ptr(), nullptr);
    const auto texts = Texts();
    const auto rows = NimbravaTest::ReadTable(NIMBRAVA_TEST_DATA "/orvel/exception-texts.tsv");
    ASSERT_EQ(rows.size(), texts.size());
    for (const auto& row : rows)
        EXPECT_EQ(texts.at(row[0]), row[1]) << row[0];
    // An aggregate is empty until anything is added, a standard exception too.
    AggregateException aggregate;
    EXPECT_TRUE(aggregate.Empty());
    aggregate.Add(std::runtime_error("handler failed"));
    EXPECT_FALSE(aggregate.Empty());
}

// Rendering runs where nothing may throw: whatever allocation fails, the text is whole or empty, or
// for an errno exception whose errno part failed, the base's text.
TEST(ExceptionTexts, RenderingNeverThrowsWhenAllocationsFail)
{
    errno = ENOENT;
    const ErrnoException<IOException> withErrno("{}", std::string(40, 'p'));
    const IOException io("{}", std::string(300, 'q'));
    const std::runtime_error standard(std::string(200, 'r'));
    AggregateException aggregate;
    aggregate.Add(GenericException("g"));
    aggregate.Add(std::runtime_error("s"));
    aggregate.Add(Thrown([] { throw 1; }));
    const std::pair<std::function<std::string()>, std::string> rows[] = {
        {[&] { return withErrno.ToString(); }, "IOException(" + std::string(40, 'p') + ")"},
        {[&] { return io.ToString(); }, ""},
        {[&] { return aggregate.ToString(); }, ""},
        {[&] { return Text(std::make_exception_ptr(standard)); }, ""},
    };
    for (const auto& [render, partial] : rows)
    {
        const std::string full = render();
        bool sawPartial = false;
        for (std::size_t allowed = 0; allowed < 12; ++allowed)
        {
            std::string text;
            {
                NimbravaTest::AllocationCounter failure(allowed);
                EXPECT_NO_THROW(text = render());
            }
            EXPECT_TRUE(text.empty() || text == full || text == partial) << text;
            sawPartial = sawPartial || text == partial;
        }
        EXPECT_TRUE(sawPartial) << partial;
    }
}

// A literal message is kept by address: nothing allocates, and the base text stays empty.
TEST(GenericException, ALiteralIsKeptByAddressAFormattedMessageCopiedOnceAndBothRecordTheThrowSite)
{
    static constexpr char literal[] =
        "A literal message far longer than any small-string buffer could ever hold inline";
    (void)GenericException("warm-up"); // the shared empty base text is made once
    NimbravaTest::AllocationCounter counter;
    const InvalidOperationException e(literal);
    const InvalidOperationException copy = e;
    EXPECT_EQ(counter.Count(), 0u);
    EXPECT_EQ(copy.what(), literal);
    EXPECT_EQ(e.GetMessage().data(), literal);
    EXPECT_EQ(e.GetMessage().size(), sizeof literal - 1);
    EXPECT_TRUE(e.HasStaticMessage());
    EXPECT_STREQ(e.std::runtime_error::what(), "");

    // Up to 127 characters the formatting buffer is inline: the only allocation is the base's copy.
    // 128 characters plus the terminator grow it once.
    for (const auto& [length, allocations] : {std::pair<std::size_t, std::size_t>{127, 1}, {128, 2}})
    {
        const std::string text(length, 'm');
        NimbravaTest::AllocationCounter formatting;
        const GenericException formatted("{}", text);
        EXPECT_EQ(formatting.Count(), allocations) << length;
        EXPECT_EQ(formatted.GetMessage(), text);
        EXPECT_EQ(formatted.GetMessage().data(), formatted.what());
        EXPECT_EQ(std::strlen(formatted.what()), length);
        EXPECT_FALSE(formatted.HasStaticMessage());
    }
    // Both record the throw site.
    const unsigned line = __LINE__ + 1;
    const IOException formattedHere("x {}", 1);
    const IOException literalHere("x");
    EXPECT_EQ(formattedHere.GetLocation().line(), line);
    EXPECT_EQ(literalHere.GetLocation().line(), line + 1);
    EXPECT_TRUE(std::string(formattedHere.GetLocation().file_name()).ends_with("Exceptions.test.cpp"));
}
