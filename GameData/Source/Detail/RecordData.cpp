#include "Detail/RecordData.h"

#include <algorithm>
#include <cstring>
#include <fmt/format.h>
#include <new>
#include "Detail/LittleEndian.h"
#include "GameData/PluginFile.h"

namespace GameData::Detail
{
    namespace
    {
        constexpr std::size_t FirstInput = 512;
        // A worldspace record's first subrecords (its editor ID, name and parent) in one step, mostly.
        constexpr std::uint64_t FirstOutput = 128;
        constexpr std::size_t InputChunk = std::size_t{64} << 10;
        // Enough for the longest name kept and a subrecord header; passing over data inflates into it
        // a window at a time.
        constexpr std::size_t WindowSize = std::size_t{16} << 10;

        constexpr char CutShort[] = " ends before its zlib stream does (cut short)";
    } // namespace

    ZlibResult JudgeZlib(int result) noexcept
    {
        switch (result)
        {
        case Z_OK:
            return ZlibResult::Going;
        case Z_STREAM_END:
            return ZlibResult::Ended;
        case Z_MEM_ERROR:
            return ZlibResult::OutOfMemory;
        case Z_NEED_DICT:
        case Z_DATA_ERROR:
            return ZlibResult::NotZlib;
        case Z_BUF_ERROR:
            return ZlibResult::CutShort;
        default:
            return ZlibResult::Failed;
        }
    }

    Inflater::~Inflater()
    {
        if (m_started)
            inflateEnd(&m_stream);
    }

    int Inflater::Start()
    {
        const int started = m_started ? inflateReset(&m_stream) : inflateInit(&m_stream);
        if (started != Z_OK)
            return started;
        m_started = true;
        // Nothing of the record before is handed on.
        m_stream.next_in = nullptr;
        m_stream.avail_in = 0;
        if (Window.size() < WindowSize)
            Window.resize(WindowSize);
        return Z_OK;
    }

    RecordData::RecordData(ByteSource& source, std::uint64_t record, std::uint32_t size, bool compressed,
                           std::string_view type, Inflater& inflater)
        : m_source(source), m_inflater(inflater), m_record(record), m_data(record + 24), m_size(size),
          m_window(inflater.Window)
    {
        if (!compressed)
            return;
        m_what = fmt::format("a compressed {} record", type);
        if (size < 4)
            Fail(fmt::format(" of {} bytes has no inflated size", size));
        m_size = U32(m_source.At(m_data, 4));
        if (m_size > MaximumInflatedSize)
            Fail(fmt::format(" declares {} inflated bytes, more than any this reader takes ({})", m_size,
                             MaximumInflatedSize));
        m_input = m_data + 4;
        m_inputEnd = m_data + size;
        Check(m_inflater.Start());
        m_stream = &m_inflater.Stream();
    }

    void RecordData::Check(int result) const
    {
        switch (JudgeZlib(result))
        {
        case ZlibResult::Going:
        case ZlibResult::Ended:
            return;
        case ZlibResult::OutOfMemory:
            throw std::bad_alloc();
        case ZlibResult::NotZlib:
            Fail(" holds no valid zlib stream");
        case ZlibResult::CutShort:
            Fail(CutShort);
        case ZlibResult::Failed:
            Fail(fmt::format(" cannot be inflated: zlib fails with error {}", result));
        }
    }

    std::size_t RecordData::Inflate(std::byte* into, std::size_t room)
    {
        z_stream& stream = *m_stream;
        if (stream.avail_in == 0 && m_input < m_inputEnd)
        {
            // As much of the stream again as zlib has taken: a record read to its first subrecords
            // costs a few hundred bytes of its stream, not the whole of it.
            const std::uint64_t taken = m_input - (m_data + 4);
            const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(
                std::min<std::uint64_t>(InputChunk, std::max<std::uint64_t>(FirstInput, taken)), m_inputEnd - m_input));
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(m_source.At(m_input, chunk)));
            stream.avail_in = static_cast<uInt>(chunk);
            m_input += chunk;
        }
        stream.next_out = reinterpret_cast<Bytef*>(into);
        stream.avail_out = static_cast<uInt>(room);
        const int result = inflate(&stream, Z_NO_FLUSH);
        const std::size_t produced = room - stream.avail_out;
        m_produced += produced;
        m_inflater.Used += produced;
        Check(result);
        if (m_inflater.Used > m_inflater.Limit)
            throw Damage(m_record,
                         fmt::format("its compressed records inflate to more bytes than the budget of {} bytes "
                                     "inflated per plugin",
                                     m_inflater.Limit),
                         true);
        m_ended = result == Z_STREAM_END;
        // No progress and nothing left to give: the stream is cut short.
        if (produced == 0 && !m_ended && stream.avail_in == 0 && m_input == m_inputEnd)
            Fail(CutShort);
        return produced;
    }

    void RecordData::Fill(std::size_t count)
    {
        if (m_window.size() < count)
            m_window.resize(count);
        if (m_window.size() - m_begin < count)
        {
            std::memmove(m_window.data(), m_window.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        while (m_end - m_begin < count)
        {
            // What is asked for, and as much again as was taken so far: a record read to its end is
            // inflated in growing steps, one read to its first subrecords costs those only. Never beyond
            // the declared size: Finish tells a stream that goes on.
            const std::uint64_t wanted = std::max<std::uint64_t>({count - (m_end - m_begin), m_position, FirstOutput});
            const auto room = static_cast<std::size_t>(
                std::min<std::uint64_t>(std::min<std::uint64_t>(m_window.size() - m_end, wanted), m_size - m_produced));
            if (m_ended || room == 0)
                Fail(fmt::format(" inflates to {} bytes, not the {} it declares", m_produced, m_size));
            m_end += Inflate(m_window.data() + m_end, room);
        }
    }

    const std::byte* RecordData::Take(std::size_t count)
    {
        if (m_stream == nullptr)
        {
            const std::byte* bytes = m_source.At(m_data + m_position, count);
            m_position += count;
            return bytes;
        }
        Fill(count);
        const std::byte* bytes = m_window.data() + m_begin;
        m_begin += count;
        m_position += count;
        return bytes;
    }

    void RecordData::Skip(std::uint64_t count)
    {
        m_position += count;
        if (m_stream == nullptr)
            return;
        for (;;)
        {
            const auto here = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_end - m_begin));
            m_begin += here;
            count -= here;
            if (count == 0)
                return;
            m_begin = m_end = 0;
            Fill(static_cast<std::size_t>(std::min<std::uint64_t>(count, m_window.size())));
        }
    }

    void RecordData::Finish()
    {
        if (m_stream == nullptr)
            return;
        // One byte more tells a stream that goes on from one that has only its end left to read.
        std::byte spare{};
        while (!m_ended)
            if (Inflate(&spare, 1) != 0)
                Fail(fmt::format(" inflates to more than the {} bytes it declares", m_size));
    }

    std::optional<Subrecords::Header> Subrecords::Next()
    {
        m_data.Skip(m_unread);
        m_unread = 0;
        std::optional<std::uint32_t> nextSize;
        std::uint64_t sizedAt = 0; // where the XXXX that gave nextSize stands
        for (;;)
        {
            const std::uint64_t where = m_data.Where();
            const std::uint64_t left = m_data.Size() - m_data.Position();
            if (left == 0 && nextSize)
                throw Damage(sizedAt, fmt::format("an XXXX subrecord ends its {} record", m_recordType));
            if (left == 0)
                return std::nullopt;
            if (left < 6)
                throw Damage(where, fmt::format("a subrecord header runs past the end of its {} record", m_recordType));
            const std::byte* bytes = m_data.Take(6);
            Header header{};
            std::memcpy(header.Type.data(), bytes, 4);
            std::uint16_t size16;
            std::memcpy(&size16, bytes + 4, sizeof size16);
            header.Size = nextSize.value_or(size16);
            header.Where = where;
            nextSize.reset();
            if (header.Size > left - 6)
                throw Damage(where, fmt::format("a subrecord of {} bytes runs past the end of its {} record",
                                                header.Size, m_recordType));
            if (!header.Is("XXXX"))
            {
                m_unread = header.Size;
                return header;
            }
            if (header.Size != 4)
                throw Damage(where, fmt::format("an XXXX subrecord of {} bytes, not 4", header.Size));
            nextSize = U32(m_data.Take(4));
            sizedAt = where;
        }
    }

    const std::byte* Subrecords::Content(std::size_t count)
    {
        m_unread -= count;
        return m_data.Take(count);
    }
} // namespace GameData::Detail
