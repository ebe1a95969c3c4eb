# Runs `generic` on a pair of lists in a scratch directory and has the C
# compiler check every generated C source against the stand-in Object.h.
# generic.c is checked with generic.h in front of it, so that each stub must
# agree with its declaration.
#
#   cmake -DGENERIC=<generic> -DLISTS=<dir> -DSTANDIN=<dir of Object.h>
#         -DCC=<gcc> -DWORK=<scratch dir> -P check_generated_c.cmake

foreach(var GENERIC LISTS STANDIN CC WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "check_generated_c: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${LISTS}/generic.dat" "${LISTS}/classes.dat" DESTINATION "${WORK}")

execute_process(COMMAND "${GENERIC}" WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "generic ended with status ${status}")
endif()

set(flags -std=gnu89 -fsyntax-only -I${STANDIN})
set(checks
  "-x,c,-include,Object.h,generic.h"
  "-include,Object.h,-include,generic.h,generic.c"
  "configsim.c"
  "configsup.c"
  "configdsp.c")
foreach(check IN LISTS checks)
  string(REPLACE "," ";" arguments "${check}")
  execute_process(COMMAND "${CC}" ${flags} ${arguments}
                  WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${CC} rejects the generated source (${check})")
  endif()
  message(STATUS "checked: ${check}")
endforeach()
