# cmake -DZIP=<zip> -DICONS=<sample icon folder> -P check_zip.cmake
# Fails unless the portable zip holds exactly the program, its help, the README
# and every sample icon in an Icons folder: no test programs, nothing missing.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "Cannot list ${ZIP}")
endif()
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "(^|/)$")
file(GLOB icons RELATIVE ${ICONS} ${ICONS}/*)
list(TRANSFORM icons PREPEND Icons/)
set(expected barsmith.exe Barsmith.chm README.txt ${icons})
list(SORT entries)
list(SORT expected)
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds\n  ${entries}\ninstead of\n  ${expected}")
endif()
message(STATUS "${ZIP} holds ${expected}")
