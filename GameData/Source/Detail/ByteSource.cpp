#include "Detail/ByteSource.h"

#include <algorithm>
#include <cstring>
#include "GameData/WholeFile.h"

namespace GameData::Detail
{
    namespace
    {
        // The window's memory, kept between the files one thread reads: a run reads a thousand
        // plugins, and fresh memory costs a fault per page.
        thread_local std::vector<std::byte> SpareBuffer;
    } // namespace

    ByteSource::ByteSource(std::span<const std::byte> bytes) noexcept
        : m_size(bytes.size()), m_window(bytes.data()), m_length(bytes.size())
    {
    }

    ByteSource::ByteSource(const std::filesystem::path& path) : m_file(true)
    {
        RequireRegularFile(path);
        m_buffer.swap(SpareBuffer);
        // Unbuffered: the window is the buffer, and a read is what the window asks for.
        m_stream.rdbuf()->pubsetbuf(nullptr, 0);
        m_stream.open(path, std::ios::binary);
        std::error_code error;
        const auto size = std::filesystem::file_size(path, error);
        if (!m_stream || error)
            throw FileReadError(FileReadError::Reason::CannotOpen);
        m_size = size;
    }

    ByteSource::~ByteSource()
    {
        if (m_buffer.size() > SpareBuffer.size())
            m_buffer.swap(SpareBuffer);
    }

    const std::byte* ByteSource::Fetch(std::uint64_t offset, std::size_t count)
    {
        const std::uint64_t wanted = std::max<std::uint64_t>(count, std::min<std::uint64_t>(m_run, MaximumWindow));
        auto length = static_cast<std::size_t>(std::min(wanted, m_size - offset));
        // A window that reads ahead ends at a page's end, so that the next starts at one: the system
        // reads whole pages, and fills them once.
        constexpr std::uint64_t Page = 4096;
        if (const std::uint64_t end = (offset + length) / Page * Page; length > count && end >= offset + count)
            length = static_cast<std::size_t>(end - offset);
        // What the window holds from `offset` on stays: it is not read again.
        const std::size_t kept = offset >= m_start && offset - m_start < m_length
                                     ? static_cast<std::size_t>(m_start + m_length - offset)
                                     : 0;
        if (m_buffer.size() < length)
        {
            std::vector<std::byte> larger(std::max(length, std::min(m_buffer.size() * 2, MaximumWindow)));
            if (kept != 0)
                std::copy_n(m_window + (offset - m_start), kept, larger.data());
            m_buffer = std::move(larger);
        }
        else if (kept != 0)
            std::memmove(m_buffer.data(), m_window + (offset - m_start), kept);
        const std::uint64_t from = offset + kept;
        if (from != m_position)
            m_stream.seekg(static_cast<std::streamoff>(from));
        m_stream.read(reinterpret_cast<char*>(m_buffer.data() + kept), static_cast<std::streamsize>(length - kept));
        if (!m_stream)
        {
            m_stream.clear();
            m_position = ~std::uint64_t{0};
            m_length = 0;
            throw FileReadError(FileReadError::Reason::CannotRead);
        }
        m_position = offset + length;
        m_fetched += length - kept;
        m_window = m_buffer.data();
        m_start = offset;
        m_length = length;
        return m_window;
    }
} // namespace GameData::Detail
