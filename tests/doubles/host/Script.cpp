#include "Script.h"

#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <stdexcept>
#include <fmt/format.h>

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

        [[noreturn]] void Fail(const SourceLine& line, const std::string& what)
        {
            throw std::invalid_argument(fmt::format("{}: {}\n    {}", line.Where, what, line.Text));
        }

        // The words of a line; a word in double quotes may hold spaces.
        std::vector<std::string> Words(const std::string& text)
        {
            std::istringstream in(text);
            std::vector<std::string> words;
            for (std::string word; in >> std::quoted(word);)
                words.push_back(word);
            return words;
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

        // The lines of a block, their places followed by `context` and every "{PARAMETER}" replaced by
        // its argument.
        std::vector<SourceLine> Instance(std::vector<SourceLine> lines, const std::string& context,
                                         const std::map<std::string, std::string>& arguments)
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

            void Read(const std::vector<SourceLine>& lines, std::vector<ScriptCommand>& commands)
            {
                for (std::size_t at = 0; at < lines.size(); ++at)
                {
                    const SourceLine& line = lines[at];
                    const std::vector<std::string> words = Words(line.Text);
                    if (words.empty() || words[0].starts_with('#'))
                        continue;
                    const std::string text = line.Text.substr(line.Text.find_first_not_of(" \t"));
                    if (words[0] == "write")
                        commands.push_back({text, WriteBody(lines, at), line.Where});
                    else if (words[0] == "include")
                        Include(line, words.at(1), commands);
                    else if (words[0] == "repeat")
                    {
                        const auto body = BlockLines(lines, at);
                        for (int round = 1; round <= std::stoi(words.at(1)); ++round)
                            Read(Instance(body, fmt::format(" (round {})", round), {}), commands);
                    }
                    else if (words[0] == "define")
                        m_blocks[words.at(1)] = {{words.begin() + 2, words.end()}, BlockLines(lines, at)};
                    else if (m_blocks.contains(words[0]))
                        Call(line, words, commands);
                    else if (words[0] == "end")
                        Fail(line, "an \"end\" without a block that it ends");
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
                const std::size_t opening = at;
                for (int depth = 1; ++at < lines.size();)
                {
                    const std::vector<std::string> words = Words(lines[at].Text);
                    const std::string first = words.empty() ? "" : words[0];
                    if (first == "write")
                        WriteBody(lines, at);
                    else if (first == "define" || first == "repeat")
                        ++depth;
                    else if (first == "end" && --depth == 0)
                        return {lines.begin() + static_cast<std::ptrdiff_t>(opening + 1),
                                lines.begin() + static_cast<std::ptrdiff_t>(at)};
                }
                Fail(lines[opening], "no \"end\" closes the block");
            }

            // include FILE: the lines of FILE of the script's folder, as if written here.
            void Include(const SourceLine& line, const std::string& name, std::vector<ScriptCommand>& commands)
            {
                std::ifstream file(m_folder / name);
                if (!file)
                    Fail(line, "cannot read " + name);
                Read(ReadLines(file, name, " (included at " + line.Where + ")"), commands);
            }

            // NAME ARGUMENT...: the block's lines with its parameters replaced by the arguments.
            void Call(const SourceLine& line, const std::vector<std::string>& words,
                      std::vector<ScriptCommand>& commands)
            {
                const Block& block = m_blocks.at(words[0]);
                if (words.size() != block.Parameters.size() + 1)
                    Fail(line, fmt::format("{} takes {} argument(s)", words[0], block.Parameters.size()));
                std::map<std::string, std::string> arguments;
                for (std::size_t i = 0; i < block.Parameters.size(); ++i)
                    arguments[block.Parameters[i]] = words[i + 1];
                Read(Instance(block.Lines, " (" + words[0] + " at " + line.Where + ")", arguments), commands);
            }

            fs::path m_folder;
            std::map<std::string, Block> m_blocks;
        };
    } // namespace

    std::vector<ScriptCommand> ReadScript(std::istream& script, const std::string& name, const fs::path& folder)
    {
        std::vector<ScriptCommand> commands;
        Reader(folder).Read(ReadLines(script, name, ""), commands);
        return commands;
    }
} // namespace NimbravaTest
