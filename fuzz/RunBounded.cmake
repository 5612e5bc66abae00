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
if(DICTIONARY)
  list(APPEND options -dict=${DICTIONARY})
endif()
set(ENV{UBSAN_OPTIONS} "print_stacktrace=1:halt_on_error=1")
execute_process(COMMAND "${FUZZER}" ${options} "${SCRATCH}" "${SEEDS}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the failing input is at ${ARTIFACTS}*")
endif()
