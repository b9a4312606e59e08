# Installs the build into a fresh DESTDIR with the prefix /usr and checks that
# every file lands where Debian's layout expects it.
#   cmake -DBUILD_DIR=... -DDESTDIR_ROOT=... -P check_install.cmake
file(REMOVE_RECURSE "${DESTDIR_ROOT}")
set(ENV{DESTDIR} "${DESTDIR_ROOT}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${output}")
endif()

set(root "${DESTDIR_ROOT}/usr")
foreach(program bin/glimora bin/ombriq-saver)
  if(NOT EXISTS "${root}/${program}" OR IS_DIRECTORY "${root}/${program}")
    message(FATAL_ERROR "missing ${program}")
  endif()
  execute_process(COMMAND test -x "${root}/${program}" RESULT_VARIABLE notExecutable)
  if(notExecutable)
    message(FATAL_ERROR "${program} is not executable")
  endif()
endforeach()

function(expect_file path pattern)
  if(NOT EXISTS "${root}/${path}")
    message(FATAL_ERROR "missing ${path}")
  endif()
  file(READ "${root}/${path}" text)
  if(NOT text MATCHES "${pattern}")
    message(FATAL_ERROR "${path} does not contain ${pattern}")
  endif()
endfunction()
expect_file(share/applications/glimora.desktop "Exec=glimora\n")
expect_file(share/applications/glimora.desktop "Icon=glimora\n")
expect_file(share/icons/hicolor/scalable/apps/glimora.svg "<svg")
expect_file(share/mime/packages/ombriq-recipe.xml "application/x-ombriq-recipe")
expect_file(share/xscreensaver/config/ombriq-saver.xml "_label=\"Ombriq\"")
expect_file(share/xscreensaver/config/ombriq-saver.xml "<command arg=\"--root\"/>")

# Nothing else: no headers, libraries or test programs.
file(GLOB_RECURSE installed RELATIVE "${root}" "${root}/*")
list(LENGTH installed count)
if(NOT count EQUAL 6)
  message(FATAL_ERROR "expected 6 installed files, found ${count}: ${installed}")
endif()

# The installed saver runs from its new place.
execute_process(COMMAND "${root}/bin/ombriq-saver" --help RESULT_VARIABLE result OUTPUT_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output MATCHES "Usage: ombriq-saver")
  message(FATAL_ERROR "installed ombriq-saver --help failed: ${result} ${output}")
endif()
message(STATUS "installed into ${DESTDIR_ROOT}: ${installed}")
