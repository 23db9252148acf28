# Fails when LIBRARY exports a name outside the namespace veyra::kernel, such as
# anything of the virtual driver linked into it:
#   cmake -DNM=<nm> -DLIBRARY=<library> -P CheckKernelExports.cmake
execute_process(
  COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE listing
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(foreign)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  if(NOT name MATCHES "^_Z(T[ISV])?N5veyra6kernel")
    list(APPEND foreign ${name})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${LIBRARY} exports names outside veyra::kernel: ${foreign}")
endif()
