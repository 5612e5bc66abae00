#include "Orvel/AggregateException.h"

#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <gtest/gtest.h>
#include "AllocationCounter.h"

namespace NimbravaTest
{
    struct Oops : std::logic_error
    {
        Oops() : std::logic_error("oops") {}
    };
} // namespace NimbravaTest

namespace
{
    std::string TextOf(const std::exception& e)
    {
        std::string text;
        Orvel::AppendExceptionText(text, e, 0);
        return text;
    }

    template <typename F>
    std::exception_ptr Capture(F&& f)
    {
        try
        {
            f();
        }
        catch (...)
        {
            return std::current_exception();
        }
        return nullptr;
    }

    // Renders whatever `f` throws as a std::exception.
    template <typename F>
    std::string TextOfThrown(F&& f)
    {
        try
        {
            std::rethrow_exception(Capture(f));
        }
        catch (const std::exception& e)
        {
            return TextOf(e);
        }
    }
} // namespace

// Demangled names are the same in both builds (both use the Itanium ABI's demangler), and the
// expectations below hold for both.
TEST(AppendExceptionText, StandardTypesPrintTheirReadableName)
{
    EXPECT_EQ(TextOf(std::runtime_error("x")), "std::runtime_error(x)");
    EXPECT_EQ(TextOf(std::out_of_range("range")), "std::out_of_range(range)");
    EXPECT_EQ(TextOf(NimbravaTest::Oops()), "NimbravaTest::Oops(oops)");
    EXPECT_EQ(TextOfThrown([] { (void)std::string().at(1); }).substr(0, 18), "std::out_of_range(");
}

TEST(AppendExceptionText, LibraryExceptionsUseTheirOwnText)
{
    EXPECT_EQ(TextOf(Orvel::IOException("Unable to open file {}", "a")), "IOException(Unable to open file a)");
}

TEST(AppendExceptionText, AppendsToWhatIsThere)
{
    std::string text = "prefix: ";
    Orvel::AppendExceptionText(text, std::runtime_error("x"), 0);
    EXPECT_EQ(text, "prefix: std::runtime_error(x)");
}

TEST(AppendExceptionText, NestedExceptionsAreIndentedOneTabPerLevel)
{
    const std::string text = TextOfThrown([] {
        try
        {
            try
            {
                throw Orvel::IOException("Unable to read file {}", "w.ini");
            }
            catch (...)
            {
                std::throw_with_nested(std::runtime_error("loading failed"));
            }
        }
        catch (...)
        {
            std::throw_with_nested(std::logic_error("update failed"));
        }
    });
    // The outer objects are std::_Nested_exception<...>; the readable name says so.
    const auto first = text.find('\n');
    ASSERT_NE(first, std::string::npos) << text;
    EXPECT_NE(text.substr(0, first).find("(update failed)"), std::string::npos) << text;
    const auto second = text.find('\n', first + 1);
    ASSERT_NE(second, std::string::npos) << text;
    EXPECT_EQ(text[first + 1], '\t');
    EXPECT_NE(text[first + 2], '\t');
    EXPECT_NE(text.substr(first, second - first).find("(loading failed)"), std::string::npos) << text;
    EXPECT_EQ(text.substr(second), "\n\t\tIOException(Unable to read file w.ini)");
}

TEST(AppendExceptionText, NestedNonStandardExceptionClearsEverything)
{
    std::string text = "caller's text";
    try
    {
        try
        {
            throw 42;
        }
        catch (...)
        {
            std::throw_with_nested(std::runtime_error("outer"));
        }
    }
    catch (const std::exception& e)
    {
        Orvel::AppendExceptionText(text, e, 0);
    }
    EXPECT_EQ(text, "");
}

namespace NimbravaTest
{
    // Built outside any handler: a nested_exception that holds nothing.
    struct EmptyNest : std::runtime_error, std::nested_exception
    {
        EmptyNest() : std::runtime_error("nothing inside") {}
    };
} // namespace NimbravaTest

TEST(AppendExceptionText, AnEmptyNestIsNotRethrown)
{
    const NimbravaTest::EmptyNest e;
    ASSERT_EQ(e.nested_ptr(), nullptr);
    EXPECT_EQ(TextOf(e), "NimbravaTest::EmptyNest(nothing inside)");

    Orvel::AggregateException aggregate;
    aggregate.Add(std::make_exception_ptr(e));
    EXPECT_NE(aggregate.ToString().find("\tNimbravaTest::EmptyNest(nothing inside)\n"), std::string::npos);
}

TEST(AppendExceptionText, NeverThrows)
{
    const std::runtime_error e(std::string(200, 'r'));
    const std::string full = TextOf(e);
    for (std::size_t allowed = 0; allowed < 4; ++allowed)
    {
        std::string text;
        {
            NimbravaTest::AllocationFailure failure(allowed);
            EXPECT_NO_THROW(Orvel::AppendExceptionText(text, e, 0));
        }
        EXPECT_TRUE(text.empty() || text == full) << text;
    }
}

// Each row adds its entries through the three ways in (a library exception, a standard one, or one
// caught in flight) and names the text that results: entries in the order of the lists (library,
// standard, then the others), every line of an entry indented.
TEST(AggregateException, ToStringOfEachListOfEntries)
{
    const struct
    {
        const char* Name;
        std::function<void(Orvel::AggregateException&)> Add;
        std::string_view Entries;
    } rows[] = {
        {"none", [](auto&) {}, ""},
        {"a generic entry keeps only its generic part",
         [](auto& a) {
             a.Add(static_cast<const Orvel::GenericException&>(Orvel::InvalidOperationException("Bad function call")));
         },
         "\tGenericException(Bad function call)\n"},
        {"list order",
         [](auto& a) {
             a.Add(std::runtime_error("second"));
             a.Add(Orvel::GenericException("first"));
             a.Add(Capture([] { throw 7; }));
             a.Add(Capture([] { throw Orvel::IOException("io"); }));
             a.Add(Capture([] { throw std::out_of_range("range"); }));
         },
         "\tGenericException(first)\n\tstd::exception(second)\n\tUnkownException\n\tIOException(io)\n"
         "\tstd::out_of_range(range)\n"},
        {"multi-line entries",
         [](auto& a) {
             a.Add(Orvel::GenericException("line one\nline two"));
             a.Add(Capture([] {
                 try
                 {
                     throw std::runtime_error("inner");
                 }
                 catch (...)
                 {
                     std::throw_with_nested(std::logic_error("outer"));
                 }
             }));
         },
         "\tGenericException(line one\n\tline two)\n\tstd::_Nested_exception<std::logic_error>(outer)\n"
         "\t\tstd::runtime_error(inner)\n"},
    };
    for (const auto& row : rows)
    {
        Orvel::AggregateException aggregate;
        row.Add(aggregate);
        EXPECT_EQ(aggregate.Empty(), row.Entries.empty()) << row.Name;
        EXPECT_EQ(aggregate.GetMessage(), "One or more error(s) occurred");
        EXPECT_EQ(aggregate.ToString(),
                  "AggregateException(One or more error(s) occurred)\n{\n" + std::string(row.Entries) + "}\n")
            << row.Name;
    }

    Orvel::AggregateException aggregate;
    aggregate.Add(std::runtime_error("handler failed"));
    ASSERT_EQ(aggregate.StandardExceptions.size(), 1u);
    EXPECT_STREQ(aggregate.StandardExceptions[0]->what(), "handler failed") << "standard entries keep their text";
}

TEST(AggregateException, CopiesShareEntriesAndMovesTakeThem)
{
    Orvel::AggregateException aggregate;
    aggregate.Add(Orvel::GenericException("a"));
    const Orvel::AggregateException copy = aggregate;
    EXPECT_EQ(copy.GenericExceptions[0].get(), aggregate.GenericExceptions[0].get());
    Orvel::AggregateException moved = std::move(aggregate);
    EXPECT_EQ(moved.GenericExceptions.size(), 1u);
    EXPECT_EQ(moved.ToString(), copy.ToString());
}

TEST(AggregateException, ToStringNeverThrows)
{
    Orvel::AggregateException aggregate;
    aggregate.Add(Orvel::GenericException("g"));
    aggregate.Add(std::runtime_error("s"));
    aggregate.Add(Capture([] { throw 1; }));
    const std::string full = aggregate.ToString();
    for (std::size_t allowed = 0; allowed < 12; ++allowed)
    {
        std::string text;
        {
            NimbravaTest::AllocationFailure failure(allowed);
            EXPECT_NO_THROW(text = aggregate.ToString());
        }
        EXPECT_TRUE(text.empty() || text == full) << text;
    }
}
