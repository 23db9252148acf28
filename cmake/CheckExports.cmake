# Fails unless the dynamic symbols that LIBRARY defines are exactly the names
# listed in EXPECTED_FILE (one a line), or, with PATTERN, unless every one of
# them matches that regular expression:
#   cmake -DNM=<nm> -DLIBRARY=<library> -DEXPECTED_FILE=<list> -P cmake/CheckExports.cmake
#   cmake -DNM=<nm> -DLIBRARY=<library> -DPATTERN=<regex> -P cmake/CheckExports.cmake
execute_process(
  COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(exported)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)

if(DEFINED PATTERN)
  set(foreign)
  foreach(name IN LISTS exported)
    if(NOT name MATCHES "${PATTERN}")
      list(APPEND foreign ${name})
    endif()
  endforeach()
  if(foreign)
    message(FATAL_ERROR "${LIBRARY} exports names it should not: ${foreign}")
  endif()
  return()
endif()

file(STRINGS ${EXPECTED_FILE} expected)
list(SORT expected)

if(NOT exported STREQUAL expected)
  set(unexpected ${exported})
  list(REMOVE_ITEM unexpected ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${exported})
  message(FATAL_ERROR "${LIBRARY} exports the wrong names.\n"
                      "Not expected: ${unexpected}\nMissing: ${missing}\n"
                      "Full list:\n${listing}")
endif()
list(LENGTH exported count)
message(STATUS "${LIBRARY} exports exactly the ${count} expected names")
