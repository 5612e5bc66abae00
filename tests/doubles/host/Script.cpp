#include "Script.h"

#include <fstream>
#include <iomanip>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <fmt/format.h>
#include <fmt/ranges.h>

namespace NimbravaTest
{
    namespace
    {
        namespace fs = std::filesystem;

        // A line as written, and where: "FILE:N", then how it came to be played there.
        struct SourceLine
        {
            std::string Text;
            std::string Where;
        };

        // Includes and block calls inside one another; any deeper is taken for an endless loop.
        constexpr int MaximumNesting = 16;

        // Words that open or close what the reader spells out, and "log": no block takes their names.
        const std::set<std::string> Reserved = {"write", "include", "define", "repeat", "end", "log"};

        [[noreturn]] void Fail(const SourceLine& line, const std::string& what)
        {
            throw std::invalid_argument(fmt::format("{}: {}\n    {}", line.Where, what, line.Text));
        }

        // The line without the spaces that indent it.
        std::string Unindented(const std::string& text)
        {
            const std::size_t start = text.find_first_not_of(" \t");
            return start == std::string::npos ? "" : text.substr(start);
        }

        // The words of a line; a word in double quotes may hold spaces (a backslash escapes the next
        // character there).
        std::vector<std::string> Words(const std::string& text)
        {
            std::istringstream in(text);
            std::vector<std::string> words;
            for (std::string word; in >> std::quoted(word);)
                words.push_back(word);
            return words;
        }

        std::string FirstWord(const std::string& text)
        {
            std::istringstream in(text);
            std::string word;
            in >> word;
            return word;
        }

        std::vector<SourceLine> ReadLines(std::istream& in, const std::string& name, const std::string& context)
        {
            std::vector<SourceLine> lines;
            int number = 0;
            for (std::string text; std::getline(in, text);)
            {
                if (text.ends_with('\r'))
                    text.pop_back();
                lines.push_back({text, fmt::format("{}:{}{}", name, ++number, context)});
            }
            return lines;
        }

        // Each of `lines` with `context` added to its place and every "{PARAMETER}" replaced by its argument.
        std::vector<SourceLine> Instance(std::vector<SourceLine> lines, const std::string& context,
                                         const std::map<std::string, std::string>& arguments = {})
        {
            for (SourceLine& line : lines)
            {
                line.Where += context;
                for (const auto& [parameter, argument] : arguments)
                {
                    const std::string mark = "{" + parameter + "}";
                    for (std::size_t at = line.Text.find(mark); at != std::string::npos;
                         at = line.Text.find(mark, at + argument.size()))
                        line.Text.replace(at, mark.size(), argument);
                }
            }
            return lines;
        }

        class Reader
        {
        public:
            explicit Reader(fs::path folder) : m_folder(std::move(folder)) {}

            void Read(const std::vector<SourceLine>& lines, std::vector<ScriptCommand>& commands, int nesting)
            {
                for (std::size_t at = 0; at < lines.size(); ++at)
                {
                    const SourceLine& line = lines[at];
                    const std::string text = Unindented(line.Text);
                    const std::string first = FirstWord(text);
                    if (first.empty() || first.starts_with('#'))
                        continue;
                    if (first == "write")
                        commands.push_back({text, WriteBody(lines, at), line.Where});
                    else if (first == "include")
                        Include(line, commands, nesting);
                    else if (first == "repeat")
                        Repeat(lines, at, commands, nesting);
                    else if (first == "define")
                        Define(lines, at);
                    else if (first == "end")
                        Fail(line, "an \"end\" without a block that it ends");
                    else if (m_blocks.contains(first))
                        Call(line, commands, nesting);
                    else
                        commands.push_back({text, {}, line.Where});
                }
            }

        private:
            struct Block
            {
                std::vector<std::string> Parameters;
                std::vector<SourceLine> Lines;
            };

            // The lines after the "write" at `at` up to its ".", which `at` is moved to; as they are.
            static std::vector<std::string> WriteBody(const std::vector<SourceLine>& lines, std::size_t& at)
            {
                const SourceLine& write = lines[at];
                std::vector<std::string> body;
                for (++at; at < lines.size() && lines[at].Text != "."; ++at)
                    body.push_back(lines[at].Text);
                if (at == lines.size())
                    Fail(write, "no line \".\" ends the file");
                return body;
            }

            // The lines after the "define" or "repeat" at `at` up to the "end" that closes it, which `at`
            // is moved to. Blocks may hold blocks; the lines of a "write" are not looked at.
            static std::vector<SourceLine> BlockLines(const std::vector<SourceLine>& lines, std::size_t& at)
            {
                const SourceLine& opening = lines[at];
                const std::size_t first = at + 1;
                for (int depth = 1; ++at < lines.size();)
                {
                    const std::string word = FirstWord(lines[at].Text);
                    if (word == "write")
                        WriteBody(lines, at);
                    else if (word == "define" || word == "repeat")
                        ++depth;
                    else if (word == "end" && --depth == 0)
                        return {lines.begin() + static_cast<std::ptrdiff_t>(first),
                                lines.begin() + static_cast<std::ptrdiff_t>(at)};
                }
                Fail(opening, "no \"end\" closes the block");
            }

            static void Deeper(const SourceLine& line, int nesting)
            {
                if (nesting >= MaximumNesting)
                    Fail(line, "includes and block calls nested more than " + std::to_string(MaximumNesting) + " deep");
            }

            // include FILE: the lines of FILE of the script's folder, as if written here.
            void Include(const SourceLine& line, std::vector<ScriptCommand>& commands, int nesting)
            {
                const auto words = Words(line.Text);
                if (words.size() != 2)
                    Fail(line, "include takes one file name");
                Deeper(line, nesting);
                std::ifstream file(m_folder / words[1]);
                if (!file)
                    Fail(line, "cannot read " + words[1]);
                Read(ReadLines(file, words[1], " (included at " + line.Where + ")"), commands, nesting + 1);
            }

            // repeat N ... end: the lines between, N times.
            void Repeat(const std::vector<SourceLine>& lines, std::size_t& at, std::vector<ScriptCommand>& commands,
                        int nesting)
            {
                const SourceLine& line = lines[at];
                const auto words = Words(line.Text);
                if (words.size() != 2 || words[1].find_first_not_of("0123456789") != std::string::npos)
                    Fail(line, "repeat takes a decimal count");
                const unsigned long rounds = std::stoul(words[1]);
                const auto body = BlockLines(lines, at);
                for (unsigned long round = 1; round <= rounds; ++round)
                    Read(Instance(body, fmt::format(" (round {})", round)), commands, nesting);
            }

            // define NAME PARAMETER... ... end: a block that the line "NAME ARGUMENT..." plays.
            void Define(const std::vector<SourceLine>& lines, std::size_t& at)
            {
                const SourceLine& line = lines[at];
                const auto words = Words(line.Text);
                if (words.size() < 2 || Reserved.contains(words[1]))
                    Fail(line, "define takes a block name that is no word of the script language");
                if (m_blocks.contains(words[1]))
                    Fail(line, "the block " + words[1] + " is defined already");
                m_blocks[words[1]] = {{words.begin() + 2, words.end()}, BlockLines(lines, at)};
            }

            // NAME ARGUMENT...: the block's lines with its parameters replaced by the arguments.
            void Call(const SourceLine& line, std::vector<ScriptCommand>& commands, int nesting)
            {
                const auto words = Words(line.Text);
                const Block& block = m_blocks.at(words[0]);
                if (words.size() != block.Parameters.size() + 1)
                    Fail(line, fmt::format("{} takes {} argument(s): {}", words[0], block.Parameters.size(),
                                           fmt::join(block.Parameters, " ")));
                Deeper(line, nesting);
                std::map<std::string, std::string> arguments;
                for (std::size_t i = 0; i < block.Parameters.size(); ++i)
                    arguments[block.Parameters[i]] = words[i + 1];
                Read(Instance(block.Lines, " (" + words[0] + " at " + line.Where + ")", arguments), commands,
                     nesting + 1);
            }

            fs::path m_folder;
            std::map<std::string, Block> m_blocks;
        };
    } // namespace

    std::vector<ScriptCommand> ReadScript(std::istream& script, const std::string& name, const fs::path& folder)
    {
        std::vector<ScriptCommand> commands;
        Reader(folder).Read(ReadLines(script, name, ""), commands, 0);
        return commands;
    }
} // namespace NimbravaTest
