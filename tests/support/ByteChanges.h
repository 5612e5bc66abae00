#pragma once
// Changes to bytes written as text, so that damaged files live in tables: "u32@name+4=0x10" writes a
// number at a place that whoever laid the bytes out named.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <span>
#include <sstream>
#include <stdexcept>
#include <string>

namespace NimbravaTest
{
    using PlaceMap = std::map<std::string, std::uint64_t>;

    // A sum of numbers (decimal or 0x-hexadecimal) and names of `places`, such as "d1+16" or
    // "end-8"; arithmetic wraps at 64 bits. Throws std::out_of_range for an unknown name.
    inline std::uint64_t Evaluate(const std::string& text, const PlaceMap& places)
    {
        std::uint64_t total = 0;
        for (std::size_t at = 0, end = 0; at < text.size(); at = end)
        {
            const bool minus = text[at] == '-';
            at += minus || text[at] == '+' ? 1u : 0u;
            end = std::min(text.find_first_of("+-", at), text.size());
            const std::string term = text.substr(at, end - at);
            const std::uint64_t value =
                term[0] >= '0' && term[0] <= '9' ? std::stoull(term, nullptr, 0) : places.at(term);
            total = minus ? total - value : total + value;
        }
        return total;
    }

    // Writes changes given as "TYPE@OFFSET=VALUE ..." (or "-" for none) into `bytes`: TYPE u8, u16,
    // u32 or u64 writes the value's low bytes, txt the characters of VALUE without a NUL. OFFSET and
    // VALUE are sums as Evaluate reads them. Throws std::out_of_range for a change that names no
    // place, std::invalid_argument for one that reaches outside the bytes.
    inline void Patch(std::span<std::byte> bytes, const PlaceMap& places, const std::string& changes)
    {
        std::istringstream list(changes == "-" ? "" : changes);
        for (std::string change; list >> change;)
        {
            const std::size_t at = change.find('@'), equals = change.find('=');
            const std::string type = change.substr(0, at), value = change.substr(equals + 1);
            const std::uint64_t offset = Evaluate(change.substr(at + 1, equals - at - 1), places);
            const std::uint64_t number = type == "txt" ? 0 : Evaluate(value, places);
            const std::size_t size = type == "txt" ? value.size() : std::stoul(type.substr(1)) / 8;
            if (offset + size > bytes.size())
                throw std::invalid_argument("outside the bytes: " + change);
            std::memcpy(bytes.data() + offset, type == "txt" ? static_cast<const void*>(value.data()) : &number, size);
        }
    }
} // namespace NimbravaTest
