// Orvel::IniInterface against inih, side by side, each opening and reading the same file into the
// same document (sections in file order, first key wins), on two files:
//  - Realistic: a _nimbrava.ini with all 99 weatherlist sections (about 5 KB);
//  - Large: a 1 MB configuration of 300-odd sections with 40 entries each.
// Every line is shorter than the 200 characters at which inih's line buffer stops, and the text
// holds nothing that the two readers read differently (quotes, ':', indented lines): the setup
// checks that all readers build equal documents before anything is timed.
//
// inih itself (Debian's libinih-dev) exists only natively. For the Windows build under Wine, where no
// inih can be had, "FgetsReader" stands in: inih's loop rebuilt from its documented behaviour
// (fopen in text mode, fgets into a 200-byte line buffer, isspace trimming, strchr-style scans, one
// handler call per entry). Natively both run, so the native numbers show how close the stand-in
// comes to inih.
//
//   native:  build/native/bin/IniBench
//   windows: cmake/wine-run.sh build/windows/bin/IniBench.exe

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
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

    struct BenchFile
    {
        std::filesystem::path Path;
        std::string NarrowPath;
        std::int64_t Size;
    };

    BenchFile WriteBenchFile(const char* name, const std::string& text)
    {
        const auto path = std::filesystem::temp_directory_path() / name;
        std::ofstream(path, std::ios_base::binary | std::ios_base::trunc)
            .write(text.data(), static_cast<std::streamsize>(text.size()));
        return {path, path.string(), static_cast<std::int64_t>(text.size())};
    }

    const BenchFile& Realistic();
    const BenchFile& Large();

    // --- Building the document from handler calls, as a user of inih would ---

    // The same linear scan as the reader's: the last eight bytes first, then the rest. With it the
    // comparison measures reading, not lookups.
    template <typename Items, typename Get>
    std::size_t FindSameBytes(const Items& items, std::string_view text, Get get)
    {
        const std::size_t size = text.size();
        std::uint64_t tail = 0;
        if (size >= 8)
            std::memcpy(&tail, text.data() + size - 8, 8);
        for (std::size_t i = 0; i < items.size(); ++i)
        {
            const std::string& stored = get(items[i]);
            if (stored.size() != size)
                continue;
            if (size >= 8)
            {
                std::uint64_t storedTail = 0;
                std::memcpy(&storedTail, stored.data() + size - 8, 8);
                if (storedTail != tail)
                    continue;
            }
            if (std::memcmp(stored.data(), text.data(), size) == 0)
                return i;
        }
        return items.size();
    }

    struct Builder
    {
        Sections Document{Orvel::IniInterface::Section{}};
        std::size_t Current = 0;

        // inih names the section with every entry: the current one is checked first.
        void Add(const char* section, const char* name, const char* value)
        {
            const std::string_view sectionName(section);
            if (Document[Current].Name != sectionName)
            {
                Current =
                    FindSameBytes(Document, sectionName, [](const auto& s) -> const std::string& { return s.Name; });
                if (Current == Document.size())
                    Document.push_back({std::string(sectionName), {}});
            }
            auto& entries = Document[Current].Entries;
            const std::string_view key(name);
            if (FindSameBytes(entries, key, [](const auto& e) -> const std::string& { return e.Key; }) ==
                entries.size())
            {
                if (entries.empty())
                    entries.reserve(4);
                entries.push_back({std::string(key), value});
            }
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

    Sections ReadOrvel(const BenchFile& file)
    {
        return Orvel::IniInterface(file.Path).Sections;
    }

    Sections ReadFgetsReader(const BenchFile& file)
    {
        Builder builder;
        if (FgetsReaderParse(file.NarrowPath.c_str(), AddEntry, &builder) != 0)
            std::abort();
        return std::move(builder.Document);
    }

#ifdef NIMBRAVA_HAVE_INIH
    Sections ReadInih(const BenchFile& file)
    {
        Builder builder;
        if (ini_parse(file.NarrowPath.c_str(), AddEntry, &builder) != 0)
            std::abort();
        return std::move(builder.Document);
    }
#endif

    // All readers must build the same document, or the timings compare different work.
    void CheckSameDocuments(const BenchFile& file)
    {
        const auto expected = ReadOrvel(file);
        bool same = ReadFgetsReader(file) == expected;
#ifdef NIMBRAVA_HAVE_INIH
        same = same && ReadInih(file) == expected;
#endif
        if (!same)
        {
            std::fprintf(stderr, "the readers build different documents from %s\n", file.NarrowPath.c_str());
            std::exit(1);
        }
    }

    const BenchFile& Realistic()
    {
        static const BenchFile file = [] {
            auto made = WriteBenchFile("nimbrava-bench-realistic.ini", RealisticText());
            CheckSameDocuments(made);
            return made;
        }();
        return file;
    }

    const BenchFile& Large()
    {
        static const BenchFile file = [] {
            auto made = WriteBenchFile("nimbrava-bench-large.ini", LargeText());
            CheckSameDocuments(made);
            return made;
        }();
        return file;
    }

    template <Sections (*Read)(const BenchFile&)>
    void Run(Bench::State& state, const BenchFile& file)
    {
        for (auto _ : state)
        {
            auto sections = Read(file);
            Bench::DoNotOptimize(sections);
        }
        state.SetBytesProcessed(state.iterations() * file.Size);
    }

    void BM_Realistic_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, Realistic());
    }
    void BM_Realistic_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, Realistic());
    }
    void BM_Large_Orvel(Bench::State& state)
    {
        Run<ReadOrvel>(state, Large());
    }
    void BM_Large_FgetsReader(Bench::State& state)
    {
        Run<ReadFgetsReader>(state, Large());
    }
    NIMBRAVA_BENCHMARK(BM_Realistic_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    void BM_Realistic_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, Realistic());
    }
    void BM_Large_Inih(Bench::State& state)
    {
        Run<ReadInih>(state, Large());
    }
    NIMBRAVA_BENCHMARK(BM_Realistic_Inih);
#endif
    NIMBRAVA_BENCHMARK(BM_Realistic_FgetsReader);
    NIMBRAVA_BENCHMARK(BM_Large_Orvel);
#ifdef NIMBRAVA_HAVE_INIH
    NIMBRAVA_BENCHMARK(BM_Large_Inih);
#endif
    NIMBRAVA_BENCHMARK(BM_Large_FgetsReader);
} // namespace

NIMBRAVA_BENCHMARK_MAIN();
