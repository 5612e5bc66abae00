#pragma once
// The one kind of finding every check gives: where, which code (Codes.h), the text the table words,
// and what it is about.

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fmt/format.h>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "checks/Codes.h"

namespace NimbravaCheck
{
    // What a finding names, for those who look for the findings about one thing.
    struct Subjects
    {
        std::vector<std::string> Sections{};      // sections by their names as written
        std::vector<std::uint32_t> Worldspaces{}; // worldspace IDs as the configuration lists them
    };

    struct Finding
    {
        Code Id;
        std::string Text;                // the table's format with its arguments
        std::filesystem::path File;      // the file it is about; empty for the load order as a whole
        std::optional<std::size_t> Line; // 1-based line of File; none for the whole file
        Subjects About{};

        [[nodiscard]] const CodeRow& Row() const noexcept { return NimbravaCheck::Row(Id); }
        // Whether it counts as a problem: an error or a warning, which make the exit code 1.
        [[nodiscard]] bool IsProblem() const noexcept { return Row().Level != Severity::Information; }
    };

    // The text of code C with `arguments`, whose number and types the compiler holds against the
    // table's format.
    template <Code C, typename... Args>
    [[nodiscard]] std::string Word(Args&&... arguments)
    {
        return fmt::format(Row(C).Format, std::forward<Args>(arguments)...);
    }

    // Adds findings about one file (or, without one, about the load order) to a list, in order.
    class FindingWriter
    {
    public:
        explicit FindingWriter(std::vector<Finding>& into, std::filesystem::path file = {})
            : m_into(into), m_file(std::move(file))
        {
        }

        template <Code C, typename... Args>
        void Add(std::optional<std::size_t> line, Subjects about, Args&&... arguments)
        {
            m_into.push_back({C, Word<C>(std::forward<Args>(arguments)...), m_file, line, std::move(about)});
        }

        // Adds `code`, a code that words its text with the same format as `Like` (Codes.h holds which).
        template <Code Like, typename... Args>
        void AddAs(Code code, std::optional<std::size_t> line, Subjects about, Args&&... arguments)
        {
            assert(Row(code).Format == Row(Like).Format);
            Add<Like>(line, std::move(about), std::forward<Args>(arguments)...);
            m_into.back().Id = code;
        }

    private:
        std::vector<Finding>& m_into;
        std::filesystem::path m_file;
    };
} // namespace NimbravaCheck
