# Finds Regina's development files and asks that Regina where it loads add-on
# modules, so that the module installs where the Regina it was built against
# looks. Sets REGINA_INCLUDE_DIR, REGINA_LIBRARY, QIRVEN_REGINA_VERSION and
# QIRVEN_ADDON_DIR, and makes Regina's prefix the default install prefix.
#
# Asked in this order, the first answer that is an absolute path winning:
#   regina-config --addons          (Regina 3.9 and later)
#   pkg-config's libregina, variable addons (upstream's install)
#   regina -va                      (Regina 3.9 and later)
# Regina 3.6 answers none of them; it reads <libdir>/regina-rexx/<version>,
# its version told by the regina-config script in <libdir>/regina-rexx or by
# the single version-named folder there. A cross build asks the target's
# Regina: its scripts in the sysroot, its regina through the emulator.

find_path(REGINA_INCLUDE_DIR rexxsaa.h)
find_library(REGINA_LIBRARY regina)
if(NOT REGINA_INCLUDE_DIR OR NOT REGINA_LIBRARY)
  message(FATAL_ERROR "Regina's development files (rexxsaa.h and libregina.so) were not found. "
                      "Install Debian's package libregina3-dev: sudo apt-get install libregina3-dev")
endif()
# On Windows the DLL goes beside regina.exe, or into any folder on PATH.
if(WIN32)
  set(QIRVEN_ADDON_DIR bin CACHE STRING "Where the DLL is installed")
  return()
endif()

# Folders as found on this machine (inside a cross build's sysroot), and as
# the target system sees them.
get_filename_component(_libdir "${REGINA_LIBRARY}" REALPATH)
get_filename_component(_libdir "${_libdir}" DIRECTORY)
string(REGEX REPLACE "/lib(/[^/]*)?$" "" _prefix "${_libdir}")
set(_target_libdir "${_libdir}")
if(CMAKE_FIND_ROOT_PATH AND _libdir MATCHES "^${CMAKE_FIND_ROOT_PATH}/")
  string(LENGTH "${CMAKE_FIND_ROOT_PATH}" _rootlength)
  string(SUBSTRING "${_libdir}" ${_rootlength} -1 _target_libdir)
endif()
string(REGEX REPLACE "/lib(/[^/]*)?$" "" _target_prefix "${_target_libdir}")

# _regina_ask(VAR COMMAND...): VAR is the command's output if it is one
# absolute path, else empty.
function(_regina_ask var)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out RESULT_VARIABLE rc
                  ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE TIMEOUT 20)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^/[^\n ]*$")
    set(out "")
  endif()
  set(${var} "${out}" PARENT_SCOPE)
endfunction()

set(_addons "")
set(_version "")
set(_answered "")
set(_answer_prefix "")
set(_addon_default "")
foreach(_config "${_libdir}/regina-rexx/regina-config" "${_prefix}/bin/regina-config")
  if(EXISTS "${_config}")
    execute_process(COMMAND sh "${_config}" --version OUTPUT_VARIABLE _told
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT _version AND _told MATCHES "^[0-9][0-9.]*$")
      set(_version "${_told}")
    endif()
    _regina_ask(_addons sh "${_config}" --addons)
    if(_addons)
      set(_answered "answered ${_config} --addons")
      _regina_ask(_answer_prefix sh "${_config}" --prefix)
      break()
    endif()
  endif()
endforeach()

find_program(PKG_CONFIG_EXECUTABLE NAMES pkg-config pkgconf)
if(NOT _addons AND PKG_CONFIG_EXECUTABLE AND EXISTS "${_libdir}/pkgconfig/libregina.pc")
  set(_pkgconfig ${CMAKE_COMMAND} -E env PKG_CONFIG_LIBDIR=${_libdir}/pkgconfig ${PKG_CONFIG_EXECUTABLE})
  _regina_ask(_addons ${_pkgconfig} --variable=addons libregina)
  if(_addons)
    set(_answered "answered pkg-config --variable=addons libregina (${_libdir}/pkgconfig)")
    _regina_ask(_answer_prefix ${_pkgconfig} --variable=prefix libregina)
  endif()
endif()

if(NOT _addons AND EXISTS "${_prefix}/bin/regina")
  _regina_ask(_addons ${CMAKE_CROSSCOMPILING_EMULATOR} "${_prefix}/bin/regina" -va)
  if(_addons)
    set(_answered "answered ${_prefix}/bin/regina -va")
  endif()
endif()

if(NOT _version)
  file(GLOB _versions RELATIVE "${_libdir}/regina-rexx" "${_libdir}/regina-rexx/[0-9]*")
  list(LENGTH _versions _count)
  if(_count EQUAL 1)
    set(_version "${_versions}")
  endif()
endif()
if(NOT _addons AND _version)
  set(_addons "${_target_libdir}/regina-rexx/${_version}")
  set(_answered "tells no add-on folder; it reads <libdir>/regina-rexx/<version>")
endif()
if(NOT _answer_prefix)
  set(_answer_prefix "${_target_prefix}")
endif()

set(QIRVEN_REGINA_VERSION "${_version}" CACHE INTERNAL "")
if(_addons)
  if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
    set(CMAKE_INSTALL_PREFIX "${_answer_prefix}" CACHE PATH "Install prefix: Regina's own" FORCE)
  endif()
  file(RELATIVE_PATH _addon_default "${CMAKE_INSTALL_PREFIX}" "${_addons}")
  if(_addon_default MATCHES "^\\.\\.")
    set(_addon_default "${_addons}")
  endif()
endif()
set(QIRVEN_ADDON_DIR "${_addon_default}" CACHE STRING
  "Where the module is installed: Regina's add-on folder, relative to the install prefix or absolute")
if(NOT QIRVEN_ADDON_DIR)
  message(FATAL_ERROR "Regina's add-on folder was not found: the Regina of ${REGINA_LIBRARY} answered neither "
    "regina-config --addons, pkg-config's libregina nor regina -va, and neither "
    "${_libdir}/regina-rexx/regina-config nor a single version folder in ${_libdir}/regina-rexx told its version. "
    "Name the folder where this system's regina looks for add-on modules, for example:\n"
    "  cmake -DQIRVEN_ADDON_DIR=/usr/lib/x86_64-linux-gnu/regina-rexx/3.6 ...")
endif()
if(NOT _addon_default OR NOT QIRVEN_ADDON_DIR STREQUAL _addon_default)
  set(_answered "was overridden by -DQIRVEN_ADDON_DIR")
endif()
string(STRIP "Regina ${_version}" _regina)
message(STATUS "${_regina} (${REGINA_LIBRARY}) ${_answered}")
message(STATUS "The module installs into ${QIRVEN_ADDON_DIR} under ${CMAKE_INSTALL_PREFIX}")
