# Runs one libFuzzer target for a bounded number of inputs with a fixed seed (a CTest test).
# libFuzzer writes the inputs it finds into the first corpus folder it is given: that is a fresh
# scratch folder in the build tree, and the repository's seed corpus comes second, only read. Every
# run starts from the same seeds, so a run repeats exactly.
#
#   cmake -DFUZZER=<binary> -DSEEDS=<folder> -DSCRATCH=<folder> -DRUNS=<n> [-DDICTIONARY=<file>]
#         -DARTIFACTS=<prefix> -P RunBounded.cmake
file(REMOVE_RECURSE "${SCRATCH}")
file(MAKE_DIRECTORY "${SCRATCH}")
set(options -runs=${RUNS} -seed=1 -max_len=65536 -artifact_prefix=${ARTIFACTS})
# libFuzzer lets inputs grow only slowly past the largest seed; the INI reader must meet texts of
# thousands of lines (tens of kilobytes) within the bounded run, so it may mutate up to 32 KB from
# the start. Larger inputs would make the run last minutes.
get_filename_component(target "${FUZZER}" NAME_WE)
if(target STREQUAL "FuzzIni")
  list(APPEND options -max_len=32768 -len_control=0)
endif()
if(DICTIONARY)
  list(APPEND options -dict=${DICTIONARY})
endif()
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
execute_process(COMMAND "${FUZZER}" ${options} "${SCRATCH}" "${SEEDS}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the failing input is at ${ARTIFACTS}*")
endif()
