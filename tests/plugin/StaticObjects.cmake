# Checks that Nimbrava.dll holds each of its ordered static objects: the logger, the tracking
# registry, the enbseries directory and the current weatherlist path each have an initialiser with
# their own priority (1001 to 1004; lower runs first, destruction runs in reverse).
#   cmake -DNM=<nm> -DDLL=<Nimbrava.dll> -P StaticObjects.cmake
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
