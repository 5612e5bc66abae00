# Code compiled in MSVC's ABI, the one Windows hosts are built in, without MSVC: Debian's clang with
# --target=x86_64-pc-windows-msvc, freestanding (no C++ library, no exceptions: only the two shims of
# cmake/msvc over clang's own C headers), linked by lld-link against MinGW's import libraries.
# The windows build uses it for the decorated names of the host boundary (plugin/Host) and for the
# witness host that proves them (tests/doubles/msvc).

find_program(NIMBRAVA_MSVC_CLANG NAMES clang++-16 REQUIRED)
find_program(NIMBRAVA_LLD_LINK NAMES lld-link lld-link-16 REQUIRED)
find_program(NIMBRAVA_LLVM_NM NAMES llvm-nm llvm-nm-16 REQUIRED)
find_program(NIMBRAVA_LLVM_UNDNAME NAMES llvm-undname llvm-undname-16 REQUIRED)
find_library(NIMBRAVA_MINGW_KERNEL32 NAMES libkernel32.a REQUIRED)

set(NIMBRAVA_MSVC_FLAGS --target=x86_64-pc-windows-msvc -std=c++2b -O1 -ffreestanding -nostdinc++
    -fno-exceptions -fno-rtti -mno-stack-arg-probe -Wall -Wextra -Werror
    -isystem "${PROJECT_SOURCE_DIR}/cmake/msvc")

# Compiles `source` into the object `object` in MSVC's ABI; the headers it includes are found by the
# compiler's dependency file. DEPENDS: generated headers it includes, which must be made first;
# INCLUDES: its include folders.
function(nimbrava_msvc_object object source)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "DEPENDS;INCLUDES")
  list(TRANSFORM arg_INCLUDES PREPEND "-I")
  add_custom_command(OUTPUT "${object}"
    COMMAND "${NIMBRAVA_MSVC_CLANG}" ${NIMBRAVA_MSVC_FLAGS} ${arg_INCLUDES} -MD -MF "${object}.d"
            -c "${source}" -o "${object}"
    DEPENDS "${source}" ${arg_DEPENDS} DEPFILE "${object}.d"
    COMMENT "Compiling ${source} in MSVC's ABI" VERBATIM)
endfunction()

# Links the objects into `output` (an .exe, or a .dll with /dll among the OPTIONS) with no C runtime,
# against kernel32 only. BYPRODUCTS: further files the link writes (an /implib:).
function(nimbrava_msvc_link output)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "OBJECTS;OPTIONS;BYPRODUCTS")
  add_custom_command(OUTPUT "${output}" ${arg_BYPRODUCTS}
    COMMAND "${NIMBRAVA_LLD_LINK}" /nologo /nodefaultlib /machine:x64 ${arg_OPTIONS} ${arg_OBJECTS}
            "${NIMBRAVA_MINGW_KERNEL32}" "/out:${output}"
    DEPENDS ${arg_OBJECTS} COMMENT "Linking ${output} in MSVC's ABI" VERBATIM)
endfunction()
