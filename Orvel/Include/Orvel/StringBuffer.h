#pragma once
// A growable character buffer with inline storage, the target of formatted output.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <fmt/core.h>

namespace Orvel
{
    // Holds up to N characters inline; beyond that it moves to the heap, doubling to the next power
    // of two (1024 -> 2048 -> 4096). It never shrinks: clear() keeps the capacity, so a buffer that
    // is reused for many texts allocates only when a text is longer than every text before it.
    // Appending never writes a terminator; a user that needs one appends a NUL itself.
    //
    // It offers the container protocol that std::back_inserter and {fmt} need (value_type,
    // push_back, size, resize, operator[]), so that formatting writes into it directly.
    template <std::size_t N, typename CharT = char, typename Traits = std::char_traits<CharT>,
              typename Allocator = std::allocator<CharT>>
    class BasicStringBuffer
    {
        static_assert(N > 0, "the inline storage must hold at least one character");

    public:
        using value_type = CharT;
        using traits_type = Traits;
        using allocator_type = Allocator;
        using size_type = std::uint64_t;

        static constexpr size_type InlineCapacity = N;

        explicit BasicStringBuffer(const Allocator& allocator = Allocator()) noexcept : m_allocator(allocator)
        {
            m_inline[0] = CharT();
        }

        BasicStringBuffer(const BasicStringBuffer&) = delete;
        BasicStringBuffer& operator=(const BasicStringBuffer&) = delete;

        ~BasicStringBuffer() { Release(); }

        void push_back(CharT character)
        {
            if (m_size == m_capacity)
                GrowTo(m_size + 1);
            m_data[m_size++] = character;
        }

        void append(const CharT* text, size_type count)
        {
            if (count > m_capacity - m_size)
                GrowTo(m_size + count);
            Traits::copy(m_data + m_size, text, static_cast<std::size_t>(count));
            m_size += count;
        }

        void append(std::basic_string_view<CharT, Traits> text) { append(text.data(), text.size()); }

        // Sets the size. Growing leaves the new characters unspecified: the caller overwrites them.
        void resize(size_type count)
        {
            if (count > m_capacity)
                GrowTo(count);
            m_size = count;
        }

        void clear() noexcept { m_size = 0; }

        [[nodiscard]] size_type size() const noexcept { return m_size; }
        [[nodiscard]] size_type capacity() const noexcept { return m_capacity; }
        [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
        [[nodiscard]] bool IsInline() const noexcept { return m_data == m_inline; }
        [[nodiscard]] CharT* data() noexcept { return m_data; }
        [[nodiscard]] const CharT* data() const noexcept { return m_data; }
        CharT& operator[](size_type index) noexcept { return m_data[index]; }
        const CharT& operator[](size_type index) const noexcept { return m_data[index]; }

        [[nodiscard]] std::basic_string_view<CharT, Traits> View() const noexcept
        {
            return {m_data, static_cast<std::size_t>(m_size)};
        }

    private:
        using AllocTraits = std::allocator_traits<Allocator>;

        // The capacity after growing from `capacity` until at least `needed` fits: each step goes
        // to the smallest power of two strictly greater than the capacity before it.
        static constexpr size_type GrownCapacity(size_type capacity, size_type needed) noexcept
        {
            do
                capacity = std::uint64_t{1} << (64 - __builtin_clzll(capacity));
            while (capacity < needed);
            return capacity;
        }

        void GrowTo(size_type needed)
        {
            const size_type capacity = GrownCapacity(m_capacity, needed);
            CharT* block = AllocTraits::allocate(m_allocator, static_cast<std::size_t>(capacity));
            Traits::copy(block, m_data, static_cast<std::size_t>(m_size));
            Release();
            m_data = block;
            m_capacity = capacity;
        }

        void Release() noexcept
        {
            if (m_capacity > N)
                AllocTraits::deallocate(m_allocator, m_data, static_cast<std::size_t>(m_capacity));
        }

        size_type m_capacity = N;
        size_type m_size = 0;
        CharT* m_data = m_inline;
        [[no_unique_address]] Allocator m_allocator;
        CharT m_inline[N];
    };

    template <std::size_t N>
    using StringBuffer = BasicStringBuffer<N, char>;
} // namespace Orvel

// Lets {fmt} write into the buffer's storage directly instead of one push_back per character.
template <std::size_t N, typename CharT, typename Traits, typename Allocator>
struct fmt::is_contiguous<Orvel::BasicStringBuffer<N, CharT, Traits, Allocator>> : std::true_type
{
};
