#pragma once
// Test cases kept as data files: byte strings written with escapes, and tab-separated tables.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace NimbravaTest
{
    // Printable ASCII as it is, a backslash as "\\", every other byte as "\xHH" (upper case).
    std::string Escape(std::string_view bytes);

    // The inverse of Escape, also reading "\t", "\n", "\r" and lower-case hex digits. Throws
    // std::invalid_argument on an escape it does not know, so a typo in a table fails its test.
    std::string Unescape(std::string_view text);

    // The rows of a table file: one row a line, fields separated by tabs and unescaped; blank lines
    // and lines starting with '#' are skipped. Throws std::runtime_error when the file is unreadable.
    std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& path);

    // The files in `directory` whose extension is `extension` (".ini"), in name order.
    std::vector<std::filesystem::path> FilesWithExtension(const std::filesystem::path& directory,
                                                          std::string_view extension);
} // namespace NimbravaTest
