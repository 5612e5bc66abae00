#pragma once
// The floor of any reader that parses a whole file: reading every byte of it, in blocks of 1 MiB.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <vector>

namespace Bench
{
    // The bytes read of the file at `path`, into `buffer` a block at a time.
    inline std::uint64_t ReadEveryByte(const std::filesystem::path& path, std::vector<char>& buffer)
    {
        buffer.resize(std::size_t{1} << 20);
        std::uint64_t total = 0;
        std::FILE* file = std::fopen(path.string().c_str(), "rb");
        for (std::size_t got; file != nullptr && (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;)
            total += got;
        if (file != nullptr)
            std::fclose(file);
        return total;
    }
} // namespace Bench
