// Orvel::IniInterface against inih, side by side, each opening and reading the same file into the
// same document (sections in file order, first key wins), on four files:
//  - Realistic: a _nimbrava.ini with all 99 weatherlist sections (about 5 KB);
//  - Large: a 1 MB configuration of 300-odd sections with 40 entries each;
//  - ManySections: 100,000 sections of one entry each (about 2.4 MB);
//  - ManyKeys: one section of 100,000 entries (about 1.5 MB).
// The last two show that reading stays linear in the file: a reader that compares every new name
// with every earlier one takes minutes on them.
// Every line is shorter than the 200 characters at which inih's line buffer stops, and the text
// holds nothing that the two readers read differently (quotes, ':', indented lines): the setup
// checks that all readers build equal documents before anything is timed.
//
// inih itself (Debian's libinih-dev) exists only natively. For the Windows build under Wine, where no
// inih can be had, "FgetsReader" stands in: inih's loop rebuilt from its documented behaviour
// (fopen in text mode, fgets into a 200-byte line buffer, isspace trimming, strchr-style scans, one
// handler call per entry). Natively both run, so the native numbers show how close the stand-in
// comes to inih. Both build the document from inih's handler calls with hash tables of their own
// for the first-wins rules; the Orvel rows also look up through FindSection and FindEntry.
//
//   native:  build/native/bin/IniBench
//   windows: cmake/wine-run.sh build/windows/bin/IniBench.exe

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include "Harness.h"
#include "Orvel/Ini.h"

#ifdef NIMBRAVA_HAVE_INIH
#include <ini.h>
#endif

namespace
{
    using Sections = std::vector<Orvel::IniInterface::Section>;

    // --- The files ---

    std::string RealisticText()
    {
        std::string text = "; Nimbrava: an ENB weather list for each worldspace\n"
                           "; WEATHERLIST01 to WEATHERLIST99, the lowest number wins\n\n";
        char line[200];
        for (int i = 1; i <= 99; ++i)
        {
            std::snprintf(line, sizeof line, "[WEATHERLIST%02d]\n", i);
            text += line;
            if (i % 10 == 1)
            {
                std::snprintf(line, sizeof line, "FileName=weathers/wl%02d.ini ; group %d\n", i, i / 10);
                text += line;
                std::snprintf(line, sizeof line, "WorldspaceIDs=0x%X, 0x%X\n", 0x3C + i, 0x1A26F + i);
            }
            else
            {
                std::snprintf(line, sizeof line, "FileName=wl%02d.ini\n", i);
                text += line;
                std::snprintf(line, sizeof line, "WorldspaceIDs=%X\n", 0x3C + i);
            }
            text += line;
        }
        return text;
    }

    std::string LargeText()
    {
        std::string text = "; a large configuration: 40 entries in each section\n";
        char line[200];
        for (int section = 0; text.size() < (1u << 20); ++section)
        {
            std::snprintf(line, sizeof line, "\n[Section%04d]\n", section);
            text += line;
            for (int key = 0; key < 40; ++key)
            {
                if (key % 8 == 7)
                    std::snprintf(line, sizeof line, "; entry %d of section %d\n", key, section);
                else if (key % 4 == 1)
                    std::snprintf(line, sizeof line, "Setting%03d = %d, %d, %d ; three numbers\n", key, section * key,
                                  section + key, key * 7);
                else
                    std::snprintf(line, sizeof line, "Option%03d=value of option %d in section %d, with a text\n", key,
                                  key, section);
                text += line;
            }
        }
        return text;
    }

    std::string ManySectionsText()
    {
        std::string text = "; one hundred thousand sections\n";
        char line[200];
        for (int i = 0; i < 100000; ++i)
        {
            std::snprintf(line, sizeof line, "[Section%06d]\nKey=%d\n", i, i);
            text += line;
        }
        return text;
    }

    std::string ManyKeysText()
    {
        std::string text = "[Keys]\n";
        char line[200];
        for (int i = 0; i < 100000; ++i)
        {
            std::snprintf(line, sizeof line, "Key%06d=%d\n", i, i);
            text += line;
        }
        return text;
    }

    struct BenchFile
    {
        std::filesystem::path Path;
        std::string NarrowPath;
        std::int64_t Size;
        // After reading, every reader looks up this entry, as the plugin looks up what it needs.
        std::string Section;
        std::string Key;
    };

    BenchFile WriteBenchFile(const char* name, const std::string& text, std::string section, std::string key)
    {
        const auto path = std::filesystem::temp_directory_path() / name;
        std::ofstream(path, std::ios_base::binary | std::ios_base::trunc)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        return {path, path.string(), static_cast<std::int64_t>(text.size()), std::move(section), std::move(key)};
    }

    // A document and the entry that its reader's lookup found (null when none).
    struct ReadResult
    {
        Sections Document;
        const Orvel::IniInterface::Entry* Found;
    };

    const BenchFile& Realistic();
    const BenchFile& Large();
    const BenchFile& ManySections();
    const BenchFile& ManyKeys();

    // --- Building the document from handler calls, as a user of inih would ---

    // A user of inih keeps the first-wins rules with hash tables of its own.
    struct Builder
    {
        Sections Document{Orvel::IniInterface::Section{}};
        std::size_t Current = 0;
        std::unordered_map<std::string, std::size_t> SectionIndex{{std::string(), 0}};
        std::vector<std::unordered_map<std::string, std::size_t>> KeyIndex{1};

        // inih names the section with every entry: the current one is checked first.
        void Add(const char* section, const char* name, const char* value)
        {
            if (Document[Current].Name != section)
            {
                const auto [at, added] = SectionIndex.try_emplace(section, Document.size());
                Current = at->second;
                if (added)
                {
                    Document.push_back({at->first, {}});
                    KeyIndex.emplace_back();
                }
            }
            auto& entries = Document[Current].Entries;
            if (KeyIndex[Current].try_emplace(name, entries.size()).second)
                entries.push_back({name, value});
        }

        ReadResult Finish(const BenchFile& file)
        {
            const Orvel::IniInterface::Entry* found = nullptr;
            if (const auto section = SectionIndex.find(file.Section); section != SectionIndex.end())
                if (const auto key = KeyIndex[section->second].find(file.Key); key != KeyIndex[section->second].end())
                    found = &Document[section->second].Entries[key->second];
            return {std::move(Document), found}; // moving the vector keeps its elements in place
        }
    };

    int AddEntry(void* user, const char* section, const char* name, const char* value)
    {
        static_cast<Builder*>(user)->Add(section, name, value);
        return 1;
    }

    // --- The stand-in: inih's loop ---

    char* SkipSpace(char* s)
    {
        while (*s != '\0' && std::isspace(static_cast<unsigned char>(*s)) != 0)
            ++s;
        return s;
    }

    char* StripRight(char* s)
    {
        char* p = s + std::strlen(s);
        while (p > s && std::isspace(static_cast<unsigned char>(*--p)) != 0)
            *p = '\0';
        return s;
    }

    // The first of `chars` or the start of an inline comment (';' after white space).
    char* FindCharsOrComment(char* s, const char* chars)
    {
        bool wasSpace = false;
        while (*s != '\0' && (chars == nullptr || std::strchr(chars, *s) == nullptr) && !(wasSpace && *s == ';'))
        {
            wasSpace = std::isspace(static_cast<unsigned char>(*s)) != 0;
            ++s;
        }
        return s;
    }

    int FgetsReaderParse(const char* path, int (*handler)(void*, const char*, const char*, const char*), void* user)
    {
        std::FILE* file = std::fopen(path, "r");
        if (file == nullptr)
            return -1;
        char line[200];
        char section[50] = "";
        while (std::fgets(line, sizeof line, file) != nullptr)
        {
            char* start = SkipSpace(StripRight(line));
            if (*start == ';' || *start == '#')
                continue;
            if (*start == '[')
            {
                char* end = FindCharsOrComment(start + 1, "]");
                if (*end == ']')
                {
                    *end = '\0';
                    std::strncpy(section, start + 1, sizeof section - 1);
                    section[sizeof section - 1] = '\0';
                }
                continue;
            }
            if (*start == '\0')
                continue;
            char* end = FindCharsOrComment(start, "=:");
            if (*end != '=' && *end != ':')
                continue;
            *end = '\0';
            const char* name = StripRight(start);
            char* value = end + 1;
            end = FindCharsOrComment(value, nullptr);
            *end = '\0';
            value = SkipSpace(value);
            StripRight(value);
            handler(user, section, name, value);
        }
        std::fclose(file);
        return 0;
    }

    // --- The readers ---

    ReadResult ReadOrvel(const BenchFile& file)
    {
        Orvel::IniInterface document(file.Path);
        const Orvel::IniInterface::Entry* found = nullptr;
        if (const auto* section = document.FindSection(file.Section))
            found = section->FindEntry(file.Key);
        return {std::move(document.Sections), found};
    }

    ReadResult ReadFgetsReader(const BenchFile& file)
    {
        Builder builder;
        if (FgetsReaderParse(file.NarrowPath.c_str(), AddEntry, &builder) != 0)
            std::abort();
        return builder.Finish(file);
    }

#ifdef NIMBRAVA_HAVE_INIH
    ReadResult ReadInih(const BenchFile& file)
    {
        Builder builder;
        if (ini_parse(file.NarrowPath.c_str(), AddEntry, &builder) != 0)
            std::abort();
        return builder.Finish(file);
    }
#endif

    bool Same(const ReadResult& left, const ReadResult& right)
    {
        return left.Document == right.Document && left.Found != nullptr && right.Found != nullptr &&
               *left.Found == *right.Found;
    }

    // All readers must build the same document and find the same entry in it, or the timings
    // compare different work. Returns the file.
    BenchFile Checked(BenchFile file)
    {
        const auto expected = ReadOrvel(file);
        bool same = Same(ReadFgetsReader(file), expected);
#ifdef NIMBRAVA_HAVE_INIH
        same = same && Same(ReadInih(file), expected);
#endif
        if (!same)
        {
            std::fprintf(stderr, "the readers build different documents from %s\n", file.NarrowPath.c_str());
            std::exit(1);
        }
        return file;
    }

    const BenchFile& Realistic()
    {
        static const BenchFile file =
            Checked(WriteBenchFile("nimbrava-bench-realistic.ini", RealisticText(), "WEATHERLIST99", "FileName"));
        return file;
    }

    const BenchFile& Large()
    {
        static const BenchFile file =
            Checked(WriteBenchFile("nimbrava-bench-large.ini", LargeText(), "Section0001", "Option038"));
        return file;
    }

    const BenchFile& ManySections()
    {
        static const BenchFile file =
            Checked(WriteBenchFile("nimbrava-bench-many-sections.ini", ManySectionsText(), "Section099999", "Key"));
        return file;
    }

    const BenchFile& ManyKeys()
    {
        static const BenchFile file =
            Checked(WriteBenchFile("nimbrava-bench-many-keys.ini", ManyKeysText(), "Keys", "Key099999"));
        return file;
    }

    template <ReadResult (*Read)(const BenchFile&)>
    void Run(Bench::State& state, const BenchFile& file)
    {
        for (auto _ : state)
        {
            auto result = Read(file);
            Bench::DoNotOptimize(result);
        }
        state.SetBytesProcessed(state.iterations() * file.Size);
    }

    void BM_Realistic_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, Realistic());
    }
    NIMBRAVA_BENCHMARK(BM_Realistic_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    void BM_Realistic_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, Realistic());
    }
    NIMBRAVA_BENCHMARK(BM_Realistic_Inih);
#endif
    void BM_Realistic_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, Realistic());
    }
    NIMBRAVA_BENCHMARK(BM_Realistic_FgetsReader);
    void BM_Large_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, Large());
    }
    NIMBRAVA_BENCHMARK(BM_Large_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    void BM_Large_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, Large());
    }
    NIMBRAVA_BENCHMARK(BM_Large_Inih);
#endif
    void BM_Large_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, Large());
    }
    NIMBRAVA_BENCHMARK(BM_Large_FgetsReader);
    void BM_ManySections_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, ManySections());
    }
    NIMBRAVA_BENCHMARK(BM_ManySections_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    void BM_ManySections_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, ManySections());
    }
    NIMBRAVA_BENCHMARK(BM_ManySections_Inih);
#endif
    void BM_ManySections_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, ManySections());
    }
    NIMBRAVA_BENCHMARK(BM_ManySections_FgetsReader);
    void BM_ManyKeys_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, ManyKeys());
    }
    NIMBRAVA_BENCHMARK(BM_ManyKeys_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    void BM_ManyKeys_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, ManyKeys());
    }
    NIMBRAVA_BENCHMARK(BM_ManyKeys_Inih);
#endif
    void BM_ManyKeys_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, ManyKeys());
    }
    NIMBRAVA_BENCHMARK(BM_ManyKeys_FgetsReader);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
