# Runs payloadtool and checks its exit status and output (a CTest helper).
#   cmake -DTOOL=... "-DARGS=a;b" -DSTATUS=n -DREGEX=... -P RunTool.cmake
execute_process(COMMAND ${TOOL} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
set(all "${out}${err}")
if(NOT status STREQUAL "${STATUS}")
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\n${all}")
endif()
if(DEFINED REGEX AND NOT all MATCHES "${REGEX}")
  message(FATAL_ERROR "output does not match '${REGEX}':\n${all}")
endif()
message(STATUS "${all}")
