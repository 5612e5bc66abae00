# Checks that Nimbrava.dll holds each of its ordered static objects: the logger, the tracking
# registry, the enbseries directory and the current weatherlist path each have an initialiser with
# their own priority (1001 to 1004; lower runs first, destruction runs in reverse).
#   cmake -DNM=<nm> -DDLL=<Nimbrava.dll> -P StaticObjects.cmake
#
# Why the symbol table and not a run: the order is fixed when the DLL is linked, by the priority each
# initialiser carries, and nothing in the running DLL shows it. A run could only see it if the
# objects recorded their own construction, which is test code inside the shipped DLL (or a second
# build of it that is not the one players get). GCC names a prioritised initialiser
# _GLOBAL__sub_I.<5-digit priority>_<first object's name>; if a compiler upgrade changes that scheme,
# this test fails loudly ("no static object with priority ...") rather than passing quietly.
execute_process(COMMAND "${NM}" "${DLL}" OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "nm failed on ${DLL}")
endif()
set(expected
  "01001:LogFileOpenException|Logger"
  "01002:TrackingRegistry"
  "01003:EnbseriesDirectory"
  "01004:CurrentWeatherlistPath")
foreach(entry IN LISTS expected)
  string(REPLACE ":" ";" parts "${entry}")
  list(GET parts 0 priority)
  list(GET parts 1 owner)
  string(REGEX MATCH "_GLOBAL__sub_I\\.${priority}_[^\n]*" found "${symbols}")
  if(found STREQUAL "")
    message(FATAL_ERROR "no static object with priority ${priority} (${owner}) in ${DLL}")
  endif()
  if(NOT found MATCHES "${owner}")
    message(FATAL_ERROR "priority ${priority} belongs to ${found}, not to ${owner}")
  endif()
  message(STATUS "${priority}: ${found}")
endforeach()
