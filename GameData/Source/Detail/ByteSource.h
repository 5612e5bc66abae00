#pragma once
// The bytes of a game file as the readers take them: from a file through a window that grows while
// the reader reads on and starts small again where it jumps (a group it skips), or from memory. A
// reader that skips the groups of a 250 MB master reads a few kilobytes of it; one that reads a file
// item by item reads it a megabyte at a time, not one call per item.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>
#include <vector>
#include "GameData/PluginFile.h"

namespace GameData::Detail
{
    class ByteSource
    {
    public:
        static constexpr std::size_t MaximumWindow = MaximumReadAtOnce;

        // `bytes`, which must outlive the source.
        explicit ByteSource(std::span<const std::byte> bytes) noexcept;
        // The file at `path`, opened only when it is a regular file. Throws FileReadError (WholeFile.h):
        // missing, a directory, not a regular file (a FIFO would wait for a writer), or not opened.
        explicit ByteSource(const std::filesystem::path& path);
        ~ByteSource();
        ByteSource(const ByteSource&) = delete;
        ByteSource& operator=(const ByteSource&) = delete;

        [[nodiscard]] std::uint64_t Size() const noexcept { return m_size; }
        // Of a file, the bytes read from it; in memory, the bytes asked for.
        [[nodiscard]] std::uint64_t BytesRead() const noexcept { return m_file ? m_fetched : m_asked; }

        // The `count` bytes at `offset`, which the caller has checked lie inside Size(); valid until
        // the next call. Throws FileReadError (cannot be read) when the file fails.
        [[nodiscard]] const std::byte* At(std::uint64_t offset, std::size_t count)
        {
            Pass(offset, offset + count, count);
            return Held(offset, count) ? m_window + (offset - m_start) : Fetch(offset, count);
        }

        // The bytes from `offset` on that the source holds, at least `count` of them (which the caller
        // has checked lie inside Size()), for a reader that goes through them in place; valid until the
        // next call. It tells Pass how far it went.
        [[nodiscard]] std::span<const std::byte> Window(std::uint64_t offset, std::size_t count)
        {
            // A window fetched after a jump starts small, as Pass will count it.
            if (!Onward(offset))
                m_run = 0;
            const std::byte* bytes = Held(offset, count) ? m_window + (offset - m_start) : Fetch(offset, count);
            return {bytes, static_cast<std::size_t>(m_start + m_length - offset)};
        }

        // The reader went on from `from` to `to`, looking at `looked` bytes of them. Reading on, or past
        // a gap that costs about what a jump costs (BridgedGap at most), makes the next window larger
        // by what it went through; a longer jump starts it small again.
        void Pass(std::uint64_t from, std::uint64_t to, std::uint64_t looked) noexcept
        {
            m_run = Onward(from) ? m_run + (to - m_next) : to - from;
            m_next = to;
            m_asked += looked;
        }

        static constexpr std::uint64_t BridgedGap = std::uint64_t{64} << 10;

    private:
        // Whether going on at `offset` reads on rather than jumps.
        [[nodiscard]] bool Onward(std::uint64_t offset) const noexcept
        {
            return offset >= m_next && offset - m_next <= BridgedGap;
        }
        [[nodiscard]] bool Held(std::uint64_t offset, std::size_t count) const noexcept
        {
            return offset >= m_start && offset - m_start + count <= m_length;
        }
        const std::byte* Fetch(std::uint64_t offset, std::size_t count);

        bool m_file = false;
        std::uint64_t m_size = 0;
        std::ifstream m_stream;
        std::vector<std::byte> m_buffer;     // the thread's: a file read after another needs no new one
        const std::byte* m_window = nullptr; // holds the bytes from m_start on
        std::uint64_t m_start = 0;
        std::uint64_t m_length = 0;
        std::uint64_t m_position = 0; // of the stream
        std::uint64_t m_next = 0;     // just after the last bytes asked for
        std::uint64_t m_run = 0;      // bytes gone through on end since the last jump
        std::uint64_t m_fetched = 0;
        std::uint64_t m_asked = 0;
    };
} // namespace GameData::Detail
