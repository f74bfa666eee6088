# Configure's choice of the add-on folder, against small fake Regina
# installations staged under WORK: each row is a layout, extra configure
# options and what configure must say.
#   cmake -DSOURCE=... -DWORK=... -DINCLUDE=<folder of rexxsaa.h> -P addonfolder.cmake
cmake_policy(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")

function(script path text)
  file(WRITE "${path}" "#!/bin/sh\n${text}\n")
  file(CHMOD "${path}" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
function(folder path)
  file(MAKE_DIRECTORY "${path}")
endfunction()

# Debian 12's Regina 3.6: regina-config knows no --addons (it prints its
# usage and exits 0), regina -va says nothing; the version folder is read.
set(R "${WORK}/debian12")
set(debian12_lib "${R}/usr/lib/x86_64-linux-gnu/libregina.so")
script("${R}/usr/lib/x86_64-linux-gnu/regina-rexx/regina-config"
  "case $1 in --version) echo 3.6;; --prefix) echo ${R}/usr;; *) echo 'Usage: regina-config [OPTION]';; esac")
folder("${R}/usr/lib/x86_64-linux-gnu/regina-rexx/3.6")
script("${R}/usr/bin/regina" "echo 'REXX-Regina_3.6(MT) 5.00 31 Dec 2011' >&2")

# Debian 13's Regina 3.9.5: its regina-config beside the library answers; the
# one on the PATH is a wrapper that fails without dpkg-dev.
set(R "${WORK}/debian13")
set(debian13_lib "${R}/usr/lib/x86_64-linux-gnu/libregina.so")
script("${R}/usr/lib/x86_64-linux-gnu/regina-rexx/regina-config"
  "case $1 in --version) echo 3.9.5;; --prefix) echo ${R}/usr;; --addons) echo ${R}/usr/lib/x86_64-linux-gnu/regina-rexx/3.9.5;; esac")
script("${R}/usr/bin/regina-config" "echo 'dpkg-architecture: not found' >&2; exit 127")

# Regina built from source into a prefix: regina-config in bin/, and beside
# the addons folder it reads, a version folder that it does not.
set(R "${WORK}/upstream")
set(upstream_lib "${R}/lib/libregina.so")
script("${R}/bin/regina-config"
  "case $1 in --version) echo 3.9.5;; --prefix) echo ${R};; --addons) echo ${R}/lib/regina-rexx/addons;; esac")
folder("${R}/lib/regina-rexx/addons")
folder("${R}/lib/regina-rexx/3.9.5")

# Only upstream's pkg-config file tells it (its variables refer to each other).
set(R "${WORK}/pkgconfig")
set(pkgconfig_lib "${R}/lib/libregina.so")
file(WRITE "${R}/lib/pkgconfig/libregina.pc"
  "prefix=${R}\nlibdir=\${prefix}/lib\naddons=\${libdir}/regina-rexx/addons\n\n"
  "Name: Regina REXX Interpreter\nDescription: fake\nVersion: 3.9.5\nLibs: -L\${libdir} -lregina\n")
folder("${R}/lib/regina-rexx/3.9.5")

# Only the interpreter tells it.
set(R "${WORK}/interpreter")
set(interpreter_lib "${R}/lib/libregina.so")
script("${R}/bin/regina" "[ \"$1\" = -va ] && echo ${R}/lib/regina-rexx/addons")

# Nothing tells it: configure must stop rather than guess.
set(nothing_lib "${WORK}/nothing/lib/libregina.so")

foreach(layout debian12 debian13 upstream pkgconfig interpreter nothing)
  file(WRITE "${${layout}_lib}" "")
endforeach()

set(rows
  "debian12||tells no add-on folder.*into lib/x86_64-linux-gnu/regina-rexx/3.6 under ${WORK}/debian12/usr\n"
  "debian13||answered ${WORK}/debian13/usr/lib/x86_64-linux-gnu/regina-rexx/regina-config --addons\n.*into lib/x86_64-linux-gnu/regina-rexx/3.9.5 under ${WORK}/debian13/usr\n"
  "upstream||answered ${WORK}/upstream/bin/regina-config --addons\n.*into lib/regina-rexx/addons under ${WORK}/upstream\n"
  "upstream|-DCMAKE_INSTALL_PREFIX=${WORK}/elsewhere|into ${WORK}/upstream/lib/regina-rexx/addons under ${WORK}/elsewhere\n"
  "upstream|-DQIRVEN_ADDON_DIR=/opt/rexx|overridden by -DQIRVEN_ADDON_DIR\n.*into /opt/rexx under ${WORK}/upstream\n"
  "pkgconfig||answered pkg-config.*into lib/regina-rexx/addons under ${WORK}/pkgconfig\n"
  "interpreter||answered ${WORK}/interpreter/bin/regina -va\n.*into lib/regina-rexx/addons under ${WORK}/interpreter\n"
  "nothing||Regina's add-on folder was not found.*-DQIRVEN_ADDON_DIR=")
set(n 0)
foreach(row IN LISTS rows)
  string(REPLACE "|" ";" row "${row}")
  list(GET row 0 layout)
  list(GET row 1 option)
  list(GET row 2 expected)
  math(EXPR n "${n} + 1")
  execute_process(COMMAND ${CMAKE_COMMAND} -S "${SOURCE}" -B "${WORK}/build${n}" -DQIRVEN_TESTS=OFF
      "-DREGINA_LIBRARY=${${layout}_lib}" "-DREGINA_INCLUDE_DIR=${INCLUDE}" ${option}
    OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(out MATCHES "${expected}")
    message(STATUS "${layout} ${option}: as expected")
  else()
    message(SEND_ERROR "${layout} ${option}: configure did not say\n  ${expected}\nIt said:\n${out}")
  endif()
endforeach()
