# The witness host (tests/doubles/msvc), built in MSVC's ABI, with the real Nimbrava.dll and the
# stand-in ENB, in a fresh game folder: the demo's enbseries and a log folder. Prints its checks;
# fails unless it ran them all and every one held.
#   cmake -DEMULATOR=<wine-run.sh> -DWITNESS=<bin/witness> -DPLUGIN=<Nimbrava.dll> -DENB=<d3d11.dll>
#         -DENBSERIES=<examples/enbseries> -DWORK=<scratch folder> -P WitnessHost.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/logs")
file(COPY "${WITNESS}/nimbrava-witness-host.exe" "${WITNESS}/Yarrin.dll" "${PLUGIN}" "${ENB}" DESTINATION "${WORK}")
file(COPY "${ENBSERIES}/" DESTINATION "${WORK}/enbseries")
execute_process(COMMAND ${EMULATOR} "${WORK}/nimbrava-witness-host.exe" WORKING_DIRECTORY "${WORK}"
                RESULT_VARIABLE exit OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REPLACE "\r\n" "\n" output "${output}")
message(STATUS "nimbrava-witness-host.exe:\n${output}")
string(REGEX MATCHALL "(^|\n)ok   " held "${output}")
list(LENGTH held count)
if(NOT exit STREQUAL "0" OR NOT count EQUAL 11 OR output MATCHES "FAIL ")
  message(FATAL_ERROR "The witness host exited with ${exit} after ${count} of 11 checks that held")
endif()
