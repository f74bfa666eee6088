# Installs the build into a staging folder (DESTDIR) and runs a REXX program
# against the staged module, found through REGINA_ADDON_DIR alone.
file(REMOVE_RECURSE ${STAGE})
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${STAGE} ${CMAKE_COMMAND} --install ${BUILD}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()
if(IS_ABSOLUTE "${ADDONDIR}")
  set(addon "${STAGE}${ADDONDIR}")
else()
  set(addon "${STAGE}${PREFIX}/${ADDONDIR}")
endif()
foreach(file "${addon}/libqirven.so" "${STAGE}${PREFIX}/share/man/man3/qirven.3")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}\n${out}")
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH REGINA_ADDON_DIR=${addon} ${REGINA} ${PROGRAM}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Qirven Functions for Regina" OR NOT out MATCHES "package is dropped again")
  message(FATAL_ERROR "the staged module did not run the program (${rc}):\n${out}\n${err}")
endif()
message(STATUS "installed to ${addon} and ran ${PROGRAM}")
