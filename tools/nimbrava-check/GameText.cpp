#include "GameText.h"

#include <array>
#include <fmt/format.h>
#ifdef _WIN32
#include <system_error>
#include "Files/CodePage.h"
#else
#include <cerrno>
#include <iconv.h>
#include "GameData/Text.h"
#endif

namespace NimbravaCheck
{
    namespace
    {
        // Control characters, which would change what a terminal shows, as \xHH.
        std::string EscapeControls(std::string_view utf8)
        {
            std::string out;
            for (const char c : utf8)
            {
                const auto byte = static_cast<unsigned char>(c);
                out += byte < 0x20 || byte == 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
            }
            return out;
        }

#ifndef _WIN32
        bool IsAnsiCodePage(unsigned codePage) noexcept
        {
            return codePage == 874 || codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950 ||
                   (codePage >= 1250 && codePage <= 1258);
        }

        std::optional<unsigned> GivenCodePage;

        void AppendUtf8(std::string& out, unsigned character)
        {
            if (character < 0x80)
                out.push_back(static_cast<char>(character));
            else
            {
                out.push_back(static_cast<char>(0xC0 | (character >> 6)));
                out.push_back(static_cast<char>(0x80 | (character & 0x3F)));
            }
        }

        // The C library's conversion of one code page to UTF-8, opened once per call.
        class Converter
        {
        public:
            explicit Converter(unsigned codePage)
                : m_handle(iconv_open("UTF-8", codePage == 65001 ? "UTF-8" : fmt::format("CP{}", codePage).c_str()))
            {
            }
            ~Converter()
            {
                if (Valid())
                    iconv_close(m_handle);
            }
            Converter(const Converter&) = delete;
            Converter& operator=(const Converter&) = delete;

            [[nodiscard]] bool Valid() const noexcept { return m_handle != reinterpret_cast<iconv_t>(-1); }

            // Converts from `in` on, as far as it goes; false at a byte sequence that is no text.
            bool Convert(std::string_view& in, std::string& out)
            {
                std::array<char, 256> buffer;
                while (!in.empty())
                {
                    char* from = const_cast<char*>(in.data());
                    std::size_t left = in.size();
                    char* to = buffer.data();
                    std::size_t room = buffer.size();
                    const std::size_t result = iconv(m_handle, &from, &left, &to, &room);
                    out.append(buffer.data(), static_cast<std::size_t>(to - buffer.data()));
                    in.remove_prefix(in.size() - left);
                    if (result == static_cast<std::size_t>(-1) && errno != E2BIG)
                        return false;
                }
                return true;
            }

        private:
            iconv_t m_handle;
        };
#endif
    } // namespace

#ifdef _WIN32
    std::optional<unsigned> GameCodePage()
    {
        return Nimbrava::FileApiCodePage();
    }

    bool SetGameCodePage(unsigned)
    {
        return false;
    }

    std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
    {
        try
        {
            return Nimbrava::WideToNarrow(Nimbrava::NarrowToWide(bytes, codePage), 65001);
        }
        catch (const std::system_error&)
        {
            return std::nullopt;
        }
    }
#else
    std::optional<unsigned> GameCodePage()
    {
        return GivenCodePage;
    }

    bool SetGameCodePage(unsigned codePage)
    {
        if (!IsAnsiCodePage(codePage) || !Converter(codePage).Valid())
            return false;
        GivenCodePage = codePage;
        return true;
    }

    std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
    {
        if (codePage == 1252)
            return GameData::Cp1252ToUtf8(bytes);
        Converter converter(codePage);
        if (!converter.Valid())
            return std::nullopt;
        const bool singleByte = codePage == 874 || (codePage >= 1250 && codePage <= 1258);
        std::string out;
        while (!converter.Convert(bytes, out))
        {
            // A byte that the code page leaves undefined: Windows reads it as the character of its
            // number; a double-byte code page's broken sequence is no text at all.
            if (!singleByte || bytes.empty())
                return std::nullopt;
            AppendUtf8(out, static_cast<unsigned char>(bytes.front()));
            bytes.remove_prefix(1);
        }
        return out;
    }
#endif

    std::string Printable(std::string_view bytes)
    {
        const auto codePage = GameCodePage();
        if (codePage)
            if (const auto text = DecodeCodePage(bytes, *codePage))
                return EscapeControls(*text);
        std::string out;
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            out += byte < 0x20 || byte >= 0x7F ? fmt::format("\\x{:02X}", byte) : std::string(1, c);
        }
        return out;
    }
} // namespace NimbravaCheck
