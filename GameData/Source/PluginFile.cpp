#include "GameData/PluginFile.h"

#include <array>
#include <cstring>
#include <fmt/format.h>
#include <fstream>
#include <zlib.h>

namespace GameData
{
    namespace
    {
        constexpr std::uint64_t HeaderSize = 24; // of a record and of a group alike
        constexpr std::uint64_t SubrecordHeaderSize = 6;
        constexpr std::int32_t TopLevelGroup = 0;

        using Bytes = std::span<const std::byte>;

        std::uint32_t U32(const std::byte* at)
        {
            std::uint32_t value;
            std::memcpy(&value, at, sizeof value);
            return value;
        }

        std::uint16_t U16(const std::byte* at)
        {
            std::uint16_t value;
            std::memcpy(&value, at, sizeof value);
            return value;
        }

        bool IsType(const std::byte* at, std::string_view type)
        {
            return std::memcmp(at, type.data(), 4) == 0;
        }

        // Where the bytes come from: a file read piece by piece, or bytes in memory. Callers check
        // that what they ask for lies inside Size(); every byte handed out is counted.
        class Source
        {
        public:
            virtual ~Source() = default;
            [[nodiscard]] std::uint64_t Size() const noexcept { return m_size; }
            [[nodiscard]] std::uint64_t BytesRead() const noexcept { return m_bytesRead; }

            void Read(std::uint64_t offset, std::byte* into, std::size_t count)
            {
                // A record without data has no buffer to read into.
                if (count == 0)
                    return;
                Fetch(offset, into, count);
                m_bytesRead += count;
            }

        protected:
            virtual void Fetch(std::uint64_t offset, std::byte* into, std::size_t count) = 0;
            std::uint64_t m_size = 0;

        private:
            std::uint64_t m_bytesRead = 0;
        };

        class MemorySource final : public Source
        {
        public:
            explicit MemorySource(std::span<const std::byte> bytes) : m_bytes(bytes) { m_size = bytes.size(); }

        private:
            void Fetch(std::uint64_t offset, std::byte* into, std::size_t count) override
            {
                std::memcpy(into, m_bytes.data() + offset, count);
            }
            std::span<const std::byte> m_bytes;
        };

        class FileSource final : public Source
        {
        public:
            FileSource(const std::filesystem::path& path, std::string_view name) : m_name(name)
            {
                // Unbuffered: a read is what the reader asks for, never a buffer's worth of a group
                // that is skipped.
                m_stream.rdbuf()->pubsetbuf(nullptr, 0);
                m_stream.open(path, std::ios::binary);
                std::error_code error;
                const auto size = std::filesystem::file_size(path, error);
                if (!m_stream || error)
                    throw PluginFileError(m_name, 0, "cannot be opened");
                m_size = size;
            }

        private:
            void Fetch(std::uint64_t offset, std::byte* into, std::size_t count) override
            {
                m_stream.seekg(static_cast<std::streamoff>(offset));
                m_stream.read(reinterpret_cast<char*>(into), static_cast<std::streamsize>(count));
                if (!m_stream)
                    throw PluginFileError(m_name, offset, "cannot be read");
            }
            std::string_view m_name;
            std::ifstream m_stream;
        };

        struct ItemHeader
        {
            std::array<std::byte, HeaderSize> Bytes;

            [[nodiscard]] bool Is(std::string_view type) const { return IsType(Bytes.data(), type); }
            [[nodiscard]] std::uint32_t Size() const { return U32(Bytes.data() + 4); } // data, or the whole group
            [[nodiscard]] std::uint32_t Flags() const { return U32(Bytes.data() + 8); }
            [[nodiscard]] std::uint32_t FormId() const { return U32(Bytes.data() + 12); }
            [[nodiscard]] bool LabelIs(std::string_view type) const { return IsType(Bytes.data() + 8, type); }
            [[nodiscard]] std::int32_t GroupType() const { return static_cast<std::int32_t>(U32(Bytes.data() + 12)); }
            [[nodiscard]] std::string Type() const
            {
                std::string type;
                for (std::size_t i = 0; i < 4; ++i)
                {
                    const auto c = static_cast<char>(Bytes[i]);
                    type += c >= ' ' && c <= '~' ? std::string(1, c)
                                                 : fmt::format("\\x{:02X}", static_cast<unsigned>(Bytes[i]));
                }
                return type;
            }
        };

        // A record's data, inflated when it was compressed. `Offset` is where its bytes stand in the
        // file, for messages; for inflated data the record's own offset.
        struct RecordData
        {
            std::vector<std::byte> Bytes;
            std::uint64_t Offset = 0;
            bool Inflated = false;
        };

        class Reader
        {
        public:
            Reader(Source& source, std::string_view name) : m_source(source), m_name(name) {}

            PluginFile Run()
            {
                if (m_source.Size() < HeaderSize)
                    Fail(0,
                         fmt::format("not a plugin file: {} bytes are too few for its header record", m_source.Size()));
                const ItemHeader header = ReadHeader(0, m_source.Size());
                if (!header.Is("TES4"))
                    Fail(0, "not a plugin file: it does not start with a TES4 record");
                const std::uint64_t end = RecordEnd(0, header, m_source.Size(), "the file");
                m_result.Header.Flags = header.Flags();
                ReadHeaderRecord(ReadData(0, header));

                for (std::uint64_t at = end; at < m_source.Size();)
                {
                    const ItemHeader group = ReadHeader(at, m_source.Size());
                    if (!group.Is("GRUP"))
                        Fail(at, fmt::format("a {} record outside any group", group.Type()));
                    const std::uint64_t groupEnd = GroupEnd(at, group, m_source.Size(), "the file");
                    if (group.GroupType() == TopLevelGroup && group.LabelIs("WRLD"))
                        ReadWorldspaceGroup(at + HeaderSize, groupEnd);
                    at = groupEnd;
                }
                m_result.BytesRead = m_source.BytesRead();
                return std::move(m_result);
            }

        private:
            [[noreturn]] void Fail(std::uint64_t offset, std::string_view what) const
            {
                throw PluginFileError(m_name, offset, what);
            }

            ItemHeader ReadHeader(std::uint64_t at, std::uint64_t end)
            {
                if (end - at < HeaderSize)
                    Fail(at, fmt::format("a header of {} bytes runs past the end of {} at 0x{:X}", HeaderSize,
                                         end == m_source.Size() ? "the file" : "its group", end));
                ItemHeader header;
                m_source.Read(at, header.Bytes.data(), HeaderSize);
                return header;
            }

            std::uint64_t RecordEnd(std::uint64_t at, const ItemHeader& record, std::uint64_t end,
                                    std::string_view around)
            {
                if (record.Size() > end - at - HeaderSize)
                    Fail(at, fmt::format("a {} record of {} bytes runs past the end of {} at 0x{:X}", record.Type(),
                                         record.Size(), around, end));
                return at + HeaderSize + record.Size();
            }

            std::uint64_t GroupEnd(std::uint64_t at, const ItemHeader& group, std::uint64_t end,
                                   std::string_view around)
            {
                if (group.Size() < HeaderSize)
                    Fail(at, fmt::format("a group of {} bytes is smaller than its own header", group.Size()));
                if (group.Size() > end - at)
                    Fail(at, fmt::format("a group of {} bytes runs past the end of {} at 0x{:X}", group.Size(), around,
                                         end));
                return at + group.Size();
            }

            RecordData ReadData(std::uint64_t at, const ItemHeader& record)
            {
                if (record.Size() > MaximumRecordSize)
                    Fail(at, fmt::format("a {} record of {} bytes is larger than any this reader takes ({})",
                                         record.Type(), record.Size(), MaximumRecordSize));
                RecordData data{std::vector<std::byte>(record.Size()), at + HeaderSize, false};
                m_source.Read(at + HeaderSize, data.Bytes.data(), data.Bytes.size());
                if ((record.Flags() & CompressedFlag) != 0)
                    return {Inflate(at, record, data.Bytes), at, true};
                return data;
            }

            // The inflated bytes of a compressed record: exactly as many as it declares, never more.
            std::vector<std::byte> Inflate(std::uint64_t at, const ItemHeader& record,
                                           const std::vector<std::byte>& data)
            {
                if (data.size() < 4)
                    Fail(at, fmt::format("a compressed {} record of {} bytes has no inflated size", record.Type(),
                                         data.size()));
                const std::uint32_t declared = U32(data.data());
                if (declared > MaximumInflatedSize)
                    Fail(at, fmt::format("a compressed {} record declares {} inflated bytes, more than any this "
                                         "reader takes ({})",
                                         record.Type(), declared, MaximumInflatedSize));
                std::vector<std::byte> out(declared);
                z_stream stream{};
                if (const int started = inflateInit(&stream); started != Z_OK)
                {
                    if (started == Z_MEM_ERROR)
                        throw std::bad_alloc();
                    throw std::runtime_error(fmt::format("zlib cannot inflate (error {})", started));
                }
                // Once the declared bytes are out, one byte more tells a stream that goes on from one
                // that has only its end left to read; with none declared, that byte is the first.
                Bytef spare = 0;
                bool beyond = declared == 0;
                stream.next_in = reinterpret_cast<Bytef*>(const_cast<std::byte*>(data.data() + 4));
                stream.avail_in = static_cast<uInt>(data.size() - 4);
                stream.next_out = beyond ? &spare : reinterpret_cast<Bytef*>(out.data());
                stream.avail_out = beyond ? 1 : declared;
                int result = Z_OK;
                for (;;)
                {
                    result = inflate(&stream, Z_NO_FLUSH);
                    if (result == Z_STREAM_END || result == Z_NEED_DICT || result == Z_DATA_ERROR ||
                        result == Z_MEM_ERROR)
                        break;
                    if (stream.avail_out == 0 && !beyond)
                    {
                        beyond = true;
                        stream.next_out = &spare;
                        stream.avail_out = 1;
                        continue;
                    }
                    if (stream.avail_out == 0 || stream.avail_in == 0)
                        break;
                }
                const bool more = beyond && stream.avail_out == 0;
                const std::uint64_t produced = stream.total_out;
                inflateEnd(&stream);
                if (result == Z_MEM_ERROR)
                    throw std::bad_alloc();
                const std::string what = fmt::format("a compressed {} record", record.Type());
                if (result == Z_NEED_DICT || result == Z_DATA_ERROR)
                    Fail(at, what + " holds no valid zlib stream");
                if (more)
                    Fail(at, fmt::format("{} inflates to more than the {} bytes it declares", what, declared));
                if (result != Z_STREAM_END)
                    Fail(at, fmt::format("{} ends before its zlib stream does (cut short)", what));
                if (produced != declared)
                    Fail(at, fmt::format("{} inflates to {} bytes, not the {} it declares", what, produced, declared));
                return out;
            }

            // Calls `use(type, bytes, offset)` for each subrecord of `data`. An XXXX subrecord gives the
            // size of the one after it, whose own size field is then 0.
            template <typename Use>
            void ForEachSubrecord(const RecordData& data, std::string_view recordType, Use&& use)
            {
                const std::span<const std::byte> bytes = data.Bytes;
                std::optional<std::uint32_t> nextSize;
                std::uint64_t sizedAt = 0; // where the XXXX that gave nextSize stands
                for (std::size_t at = 0; at < bytes.size();)
                {
                    const std::uint64_t where = data.Inflated ? data.Offset : data.Offset + at;
                    if (bytes.size() - at < SubrecordHeaderSize)
                        Fail(where, fmt::format("a subrecord header runs past the end of its {} record", recordType));
                    const std::string type(reinterpret_cast<const char*>(bytes.data() + at), 4);
                    const std::uint32_t size = nextSize.value_or(U16(bytes.data() + at + 4));
                    nextSize.reset();
                    at += SubrecordHeaderSize;
                    if (size > bytes.size() - at)
                        Fail(where, fmt::format("a subrecord of {} bytes runs past the end of its {} record", size,
                                                recordType));
                    const auto content = bytes.subspan(at, size);
                    at += size;
                    if (type == "XXXX")
                    {
                        if (size != 4)
                            Fail(where, fmt::format("an XXXX subrecord of {} bytes, not 4", size));
                        nextSize = U32(content.data());
                        sizedAt = where;
                        continue;
                    }
                    use(type, content, where);
                }
                if (nextSize)
                    Fail(sizedAt, fmt::format("an XXXX subrecord ends its {} record", recordType));
            }

            // The text before the first NUL. Names are kept, so each is held to MaximumNameSize: a file of
            // many records with long names would otherwise keep far more than it holds compressed.
            std::string Text(std::span<const std::byte> bytes, std::uint64_t where, std::string_view what) const
            {
                const auto* begin = reinterpret_cast<const char*>(bytes.data());
                const auto* nul = static_cast<const char*>(std::memchr(begin, 0, bytes.size()));
                if (nul == nullptr)
                    Fail(where, fmt::format("{} has no NUL at its end", what));
                if (static_cast<std::size_t>(nul - begin) > MaximumNameSize)
                    Fail(where, fmt::format("{} of {} bytes is longer than any name this reader keeps ({})", what,
                                            nul - begin, MaximumNameSize));
                return std::string(begin, nul);
            }

            std::uint32_t Number(std::span<const std::byte> bytes, std::uint64_t where, std::string_view what) const
            {
                if (bytes.size() < 4)
                    Fail(where, fmt::format("{} has {} bytes, fewer than 4", what, bytes.size()));
                return U32(bytes.data());
            }

            void ReadHeaderRecord(const RecordData& data)
            {
                ForEachSubrecord(data, "TES4", [&](const std::string& type, Bytes bytes, std::uint64_t where) {
                    if (type == "HEDR")
                    {
                        const std::uint32_t bits = Number(bytes, where, "HEDR");
                        std::memcpy(&m_result.Header.Version, &bits, sizeof bits);
                    }
                    else if (type == "MAST")
                        m_result.Header.Masters.push_back(Text(bytes, where, "a MAST name"));
                });
            }

            void ReadWorldspaceGroup(std::uint64_t begin, std::uint64_t end)
            {
                for (std::uint64_t at = begin; at < end;)
                {
                    const ItemHeader item = ReadHeader(at, end);
                    if (item.Is("GRUP"))
                    {
                        // A worldspace's cells and everything in them: not read.
                        at = GroupEnd(at, item, end, "its group");
                        continue;
                    }
                    const std::uint64_t recordEnd = RecordEnd(at, item, end, "its group");
                    if (item.Is("WRLD"))
                        ReadWorldspace(at, item);
                    at = recordEnd;
                }
            }

            void ReadWorldspace(std::uint64_t at, const ItemHeader& header)
            {
                WorldspaceRecord record;
                record.Offset = at;
                record.FormId = header.FormId();
                record.Flags = header.Flags();
                const bool localized = m_result.Header.IsLocalized();
                const auto read = [&](const std::string& type, Bytes bytes, std::uint64_t where) {
                    if (type == "EDID")
                        record.EditorId = Text(bytes, where, "an EDID");
                    else if (type == "FULL" && localized)
                        record.FullStringId = Number(bytes, where, "a FULL string ID");
                    else if (type == "FULL")
                        record.FullText = Text(bytes, where, "a FULL name");
                    else if (type == "WNAM")
                        record.Parent = Number(bytes, where, "a WNAM");
                };
                ForEachSubrecord(ReadData(at, header), "WRLD", read);
                m_result.Worldspaces.push_back(std::move(record));
            }

            Source& m_source;
            std::string_view m_name;
            PluginFile m_result;
        };

        std::string NameOf(const std::filesystem::path& path, std::string_view name)
        {
            if (!name.empty())
                return std::string(name);
            const auto text = path.filename().u8string();
            return {text.begin(), text.end()};
        }
    } // namespace

    PluginFile ReadPluginFile(const std::filesystem::path& path, std::string_view name)
    {
        const std::string shown = NameOf(path, name);
        FileSource source(path, shown);
        return Reader(source, shown).Run();
    }

    PluginFile ReadPluginFile(std::span<const std::byte> bytes, std::string_view name)
    {
        MemorySource source(bytes);
        return Reader(source, name).Run();
    }
} // namespace GameData
