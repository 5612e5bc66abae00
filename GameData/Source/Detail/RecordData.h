#pragma once
// One record's data, read forward subrecord by subrecord: as it stands in the file, or inflated from
// its zlib stream only as far as the reader reads, through a window of a few kilobytes. Nothing holds
// a whole record: what the reader keeps it copies out.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>
#include "Detail/ByteSource.h"
#include "Detail/ZlibResult.h"

namespace GameData::Detail
{
    // Damage found at Offset() in a file. Past it, the rest of the record cannot be read; with
    // WholeFile(), nothing after it can be trusted, or a budget of the whole file is spent.
    class Damage : public std::runtime_error
    {
    public:
        Damage(std::uint64_t offset, const std::string& what, bool wholeFile = false)
            : std::runtime_error(what), m_offset(offset), m_wholeFile(wholeFile)
        {
        }
        [[nodiscard]] std::uint64_t Offset() const noexcept { return m_offset; }
        [[nodiscard]] bool WholeFile() const noexcept { return m_wholeFile; }

    private:
        std::uint64_t m_offset;
        bool m_wholeFile;
    };

    // The zlib stream and the window that one file's compressed records are inflated with, one after
    // the other (set up once: zlib's state and window cost more than a short record's inflation), and
    // the bytes inflated so far, which may come to at most Limit.
    class Inflater
    {
    public:
        explicit Inflater(std::uint64_t limit) noexcept : Limit(limit) {}
        ~Inflater();
        Inflater(const Inflater&) = delete;
        Inflater& operator=(const Inflater&) = delete;

        // Makes the stream ready for a new record's: zlib's result (Z_OK, or why not: ZlibResult.h).
        [[nodiscard]] int Start();
        [[nodiscard]] z_stream& Stream() noexcept { return m_stream; }

        std::uint64_t Used = 0;
        const std::uint64_t Limit;
        std::vector<std::byte> Window; // what a record's inflated bytes pass through

    private:
        z_stream m_stream{};
        bool m_started = false;
    };

    class RecordData
    {
    public:
        // The data of the record whose header is at `record`, `size` bytes after it, of type `type`.
        // A compressed record's data is its inflated size, then the zlib stream. Throws Damage when a
        // compressed record has no inflated size or declares more than MaximumInflatedSize, or when
        // zlib cannot start on it; std::bad_alloc.
        RecordData(ByteSource& source, std::uint64_t record, std::uint32_t size, bool compressed, std::string_view type,
                   Inflater& inflater);
        RecordData(const RecordData&) = delete;
        RecordData& operator=(const RecordData&) = delete;

        // Bytes of data: a compressed record's declared inflated size.
        [[nodiscard]] std::uint64_t Size() const noexcept { return m_size; }
        [[nodiscard]] std::uint64_t Position() const noexcept { return m_position; }
        // Where the bytes at Position() are reported: their offset in the file, or the record's own for
        // inflated data.
        [[nodiscard]] std::uint64_t Where() const noexcept
        {
            return m_stream != nullptr ? m_record : m_data + m_position;
        }

        // The next `count` bytes (at most Size() - Position()), valid until the next call. Throws Damage:
        // a stream that is no zlib stream, ends before the bytes it declares, is cut short, or on which
        // zlib fails; a spent budget. std::bad_alloc.
        const std::byte* Take(std::size_t count);
        // Passes over the next `count` bytes (at most Size() - Position()); throws as Take does.
        void Skip(std::uint64_t count);
        // Once every byte is taken or passed over: throws Damage when the stream goes on past them or
        // does not end.
        void Finish();

    private:
        // Inflates into the window until it holds `count` bytes after m_begin.
        void Fill(std::size_t count);
        // One step of inflation into `into`; returns the bytes produced.
        std::size_t Inflate(std::byte* into, std::size_t room);
        // Throws for a zlib result that is no progress (JudgeZlib): std::bad_alloc, or Damage.
        void Check(int result) const;
        [[noreturn]] void Fail(const std::string& what) const { throw Damage(m_record, m_what + what); }

        ByteSource& m_source;
        Inflater& m_inflater;
        std::uint64_t m_record;
        std::uint64_t m_data;     // where the data starts in the file
        std::uint64_t m_size = 0; // of the data, inflated
        std::uint64_t m_position = 0;
        std::string m_what; // "a compressed WRLD record", for messages
        // Compressed records only.
        z_stream* m_stream = nullptr;
        std::uint64_t m_input = 0;    // the next byte of the stream to hand to zlib
        std::uint64_t m_inputEnd = 0; // the end of the stream in the file
        std::uint64_t m_produced = 0; // bytes inflated so far
        bool m_ended = false;         // zlib has found the stream's end
        std::vector<std::byte>& m_window;
        std::size_t m_begin = 0; // the window's bytes not yet taken
        std::size_t m_end = 0;
    };

    // The subrecords of a record's data: type, 16-bit size, content; an XXXX subrecord of 4 bytes gives
    // the size of the next one, whose own size field is then 0.
    class Subrecords
    {
    public:
        struct Header
        {
            std::array<char, 4> Type;
            std::uint32_t Size;
            std::uint64_t Where; // of its header, as RecordData::Where reports it

            [[nodiscard]] bool Is(std::string_view type) const noexcept
            {
                return std::string_view(Type.data(), Type.size()) == type;
            }
        };

        Subrecords(RecordData& data, std::string_view recordType) : m_data(data), m_recordType(recordType) {}

        // The next subrecord's header, after the rest of the one before; nothing at the end of the data.
        // Throws Damage: a header or a size that runs past the end of the data, an XXXX that is not 4
        // bytes or ends the data.
        std::optional<Header> Next();
        // The first `count` bytes of the current subrecord's content (at most its size).
        const std::byte* Content(std::size_t count);

        // The reader has what it wants of the record and reads no further: the rest of its data is not
        // looked at (a compressed record is not inflated further, so its stream's end is not checked).
        void Stop() noexcept { m_stopped = true; }
        [[nodiscard]] bool Stopped() const noexcept { return m_stopped; }

    private:
        RecordData& m_data;
        std::string_view m_recordType;
        std::uint64_t m_unread = 0; // of the current subrecord's content
        bool m_stopped = false;
    };
} // namespace GameData::Detail
