#pragma once
// A file as Windows' profile functions read it: what GetPrivateProfileSectionA gives a program that
// asks for one section, which is how ENB reads the sections of a weather list. Its rules, as measured
// under Wine (the checker's tests hold this reading against the function itself there):
//  - a UTF-8 byte-order mark at the start is part of line 1, as Windows takes it: a header there is
//    no header. (Wine reads such a file as UTF-8 without the mark, and finds that header: the tests
//    compare no such file with Wine.)
//  - a line ends at CR or LF; white space at both ends of a line is dropped, and empty lines are not
//    given;
//  - "[name]" opens a section: the name is what stands between '[' and the last ']', white space
//    around it dropped; text after that ']' is ignored; a line that starts with '[' but has no ']' is
//    no header, but a line of the section before;
//  - the lines before the first header make a section of the empty name;
//  - names match without regard to case, but exactly as asked otherwise (white space around the name
//    asked for counts); of two sections of one name only the first one's lines are given;
//  - a line whose first character is ';' is a comment, not given; every other line of the section is
//    given: "key=value" with the white space around the first '=' dropped, or the line as it stands
//    when it holds no '=' (a "//" comment, say).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace NimbravaCheck
{
    class ProfileFile
    {
    public:
        // A line that the function gives, and where it stands.
        struct Line
        {
            std::size_t Number = 0; // 1-based line of the file
            std::string Text;       // as the function gives it

            // Before the first '=' (the whole text when there is none), and after it.
            [[nodiscard]] std::string_view Key() const noexcept;
            [[nodiscard]] std::optional<std::string_view> Value() const noexcept;
        };

        // A section header of the file.
        struct Header
        {
            std::size_t Number = 0; // 1-based line of the file
            std::string Name;       // as the function matches it: between the brackets, trimmed
            bool Repeated = false;  // an earlier section has its name: none of this section's lines is given
        };

        // The file's bytes (code page as written: nothing is converted).
        explicit ProfileFile(std::string_view text);

        // The lines that GetPrivateProfileSectionA gives for `name` (case ignored), in order; empty when
        // no section has the name, as the function cannot tell that from an empty section either.
        [[nodiscard]] std::vector<Line> Section(std::string_view name) const;

        // The name of the header that a UTF-8 byte-order mark hides on line 1, if it does.
        [[nodiscard]] const std::optional<std::string>& HiddenByMark() const noexcept { return m_hiddenByMark; }

        // Every section header, in file order.
        [[nodiscard]] const std::vector<Header>& Headers() const noexcept { return m_headers; }
        // The lines of the section that header `index` of Headers() opens, as the function would give
        // them were it that name's first: for a repeated one, the lines it never gives.
        [[nodiscard]] std::vector<Line> LinesOf(std::size_t index) const;

    private:
        static constexpr std::size_t Global = ~std::size_t{0}; // the section before the first header
        struct Stored
        {
            std::size_t Header; // in m_headers, or Global
            Line Given;
        };
        std::optional<std::string> m_hiddenByMark;
        std::vector<Header> m_headers;
        std::vector<Stored> m_lines; // every line given by some section, in file order
    };
} // namespace NimbravaCheck
