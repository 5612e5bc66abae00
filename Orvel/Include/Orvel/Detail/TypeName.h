#pragma once
// Readable names of run-time types.

#include <string>
#include <typeinfo>

namespace Orvel::Detail
{
    // The demangled name of the type ("std::runtime_error"), or its raw name when it cannot be
    // demangled. Throws std::bad_alloc.
    std::string ReadableTypeName(const std::type_info& type);
} // namespace Orvel::Detail
