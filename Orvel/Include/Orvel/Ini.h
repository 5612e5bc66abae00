#pragma once
// An INI document: a file read once, line by line, into its sections and key/value entries in file
// order. The reader works on bytes and converts no character set. In brief:
//  - white space (IsSpace) around lines, keys and values is trimmed; only ';' starts a comment;
//  - "[name]" opens a section, "[name] rest" too; a repeated header continues the earlier section,
//    and "[]" goes back to the global section, which is always first and holds what stands before
//    the first header;
//  - "key = value" splits at the first '='; the first occurrence of a key in a section wins;
//  - in values, an unquoted ';' starts an inline comment, quotes may hold ';' and backslash escapes
//    (\a \b \f \n \r \t \v, \xHH..., octal \ooo..., and any other byte standing for itself), and a
//    value in which a quote was seen is stored with one '"' at each end; an unclosed quote stores
//    the empty value;
//  - syntax never fails: lines that fit no pattern are ignored.
// Names and keys are case-sensitive; FindSection and FindEntry give the first match by exact bytes.
// An optional IIniLineObserver is told how each line was read, with its line number.

#include <cstddef>
#include <filesystem>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

namespace Orvel
{
    // One line as the reader classified it. Lines are numbered from 1 in the stream, counting every
    // line feed; a last line without one counts too.
    struct IniLine
    {
        enum class Kind
        {
            Empty,          // nothing but white space
            Comment,        // first byte after white space is ';'
            Header,         // a valid "[...]" header; Section is the one it opened or continued
            BadHeader,      // starts with '[' but has no ']': ignored
            Entry,          // "key=value" whose key was new in its section: stored
            DuplicateEntry, // "key=value" whose key the section already held: the first one stays
            Ignored,        // none of the above (no '='): ignored
        };

        std::size_t Number;
        Kind What;
        std::string_view Text;     // the line with white space trimmed at both ends
        std::size_t Section;       // index in Sections of the section current after this line
        std::string_view Key;      // Entry, DuplicateEntry: the key as stored and compared; else empty
        std::string_view RawValue; // Entry, DuplicateEntry: the text after the first '=', leading white
                                   // space removed (before comments, quotes and escapes); else empty
    };

    // Told every line that the reader reads, in order. A header line that also holds '=' is told
    // twice with the same number: as Header, then as Entry or DuplicateEntry.
    class IIniLineObserver
    {
    public:
        // The views in `line` are valid only during the call. What it throws leaves the reader (Parse
        // or Open), and the document being read is lost.
        virtual void Line(const IniLine& line) = 0;

    protected:
        ~IIniLineObserver() = default;
    };

    // The messages of the IOExceptions that IniInterface::Open throws, {} standing for the path.
    namespace IniMessages
    {
        inline constexpr char UnableToOpen[] = "Unable to open file {}";
        inline constexpr char UnableToRead[] = "Unable to read file {}";
    } // namespace IniMessages

    class IniInterface
    {
    public:
        struct Entry
        {
            std::string Key;
            std::string Value;

            friend bool operator==(const Entry&, const Entry&) = default;
        };

        struct Section
        {
            std::string Name; // exactly the bytes between the brackets, not trimmed
            std::vector<Entry> Entries;

            // The first entry whose key has exactly the bytes of `key` (same length, case counts), or
            // null. Valid while the section is neither changed nor destroyed.
            [[nodiscard]] const Entry* FindEntry(std::string_view key) const noexcept;

            friend bool operator==(const Section&, const Section&) = default;
        };

        // The file that was last opened.
        std::filesystem::path Path;
        // The global section (empty name) first, then the others in the order their names first
        // appear. Empty until a document is read.
        std::vector<Section> Sections;

        // An empty document, with no section at all.
        IniInterface() = default;
        // Reads the file at `path` (see Open); whatever Open throws leaves the constructor.
        explicit IniInterface(std::filesystem::path path);

        // Reads the file at `path` as a text stream and replaces the sections with what it holds;
        // nothing is merged across calls. Throws IOException "Unable to open file <path>" when the
        // file cannot be opened for reading (missing, a directory, access denied) and "Unable to
        // read file <path>" when the stream reports a read error. After a throw the sections are
        // unspecified. A non-null `observer` is told each line read (see Parse), also those read
        // before a read error.
        IniInterface& Open(std::filesystem::path path, IIniLineObserver* observer = nullptr);

        // The line reader: a fresh document (with an empty path) from the rest of `stream`, which is
        // left at its end. A read error shows as the stream's bad state; nothing is thrown for it.
        // A non-null `observer` is told each line as it is read; the document is the same with or
        // without one.
        [[nodiscard]] static IniInterface Parse(std::istream& stream, IIniLineObserver* observer = nullptr);

        // The first section whose name has exactly the bytes of `name` (same length, case counts), or
        // null; the empty name finds the global section. Valid while the document is neither changed
        // nor destroyed.
        [[nodiscard]] const Section* FindSection(std::string_view name) const noexcept;

        friend bool operator==(const IniInterface&, const IniInterface&) = default;
    };
} // namespace Orvel
