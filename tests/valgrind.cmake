# Runs a REXX program under valgrind memcheck: no memory errors, nothing
# definitely or indirectly lost, and no block still held that the package
# allocated (the interpreter keeps its own pool until exit).
execute_process(
  COMMAND valgrind --error-exitcode=99 --leak-check=full --show-leak-kinds=all
          --errors-for-leak-kinds=definite,indirect --num-callers=30 ${REGINA} ${ARGS}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE log)
message("${out}")
string(REGEX MATCH "ERROR SUMMARY: [0-9]+ errors" summary "${log}")
string(REGEX MATCH "definitely lost: [^\n]*" lost "${log}")
message(STATUS "valgrind: ${summary}; ${lost}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "exit code ${rc}\n${log}")
endif()
if(log MATCHES "libqirven")
  message(FATAL_ERROR "memory allocated by the package is still held at exit\n${log}")
endif()
