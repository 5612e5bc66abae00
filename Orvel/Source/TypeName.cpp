#include "Orvel/Detail/TypeName.h"

#include <cstdlib>
#include <memory>
#include <new>
#include <cxxabi.h>

namespace Orvel::Detail
{
    // Both builds use the Itanium C++ ABI (g++, clang and MinGW-w64 alike), so the same demangler
    // gives the same names natively and on Windows.
    std::string ReadableTypeName(const std::type_info& type)
    {
        int status = 0;
        std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                         &std::free);
        if (status == -1)
            throw std::bad_alloc();
        if (status != 0 || name == nullptr)
            return type.name();
        return name.get();
    }
} // namespace Orvel::Detail
