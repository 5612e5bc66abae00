# Strict warnings for every target of the project (not for third-party code).
add_library(nimbrava_warnings INTERFACE)
target_compile_options(nimbrava_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough)
if(NIMBRAVA_WERROR)
  target_compile_options(nimbrava_warnings INTERFACE -Werror)
endif()
