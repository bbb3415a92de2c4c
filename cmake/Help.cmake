# The help file QBYHelp.chm, compiled from help/ with chmcmd and placed beside every
# Windows program of the build (the program looks for it in its own folder).
find_program(QUILLBAY_CHMCMD chmcmd)
if(NOT QUILLBAY_CHMCMD)
  message(FATAL_ERROR "chmcmd not found: install Debian's fp-utils (scripts/setup.sh does)")
endif()

file(GLOB QUILLBAY_HELP_SOURCES CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/help/*.html ${PROJECT_SOURCE_DIR}/help/*.css
  ${PROJECT_SOURCE_DIR}/help/*.hhp ${PROJECT_SOURCE_DIR}/help/*.hhc ${PROJECT_SOURCE_DIR}/help/*.hhk)
set(QUILLBAY_HELP_FILE ${CMAKE_BINARY_DIR}/QBYHelp.chm)
set(QUILLBAY_HELP_WORK ${CMAKE_BINARY_DIR}/help-build)

add_custom_command(
  OUTPUT ${QUILLBAY_HELP_FILE} ${CMAKE_BINARY_DIR}/tests/QBYHelp.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${QUILLBAY_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${PROJECT_SOURCE_DIR}/help ${QUILLBAY_HELP_WORK}
  COMMAND ${CMAKE_COMMAND} -E chdir ${QUILLBAY_HELP_WORK} ${QUILLBAY_CHMCMD} QBYHelp.hhp
  # chmcmd reports some faults only in its output; a missing file is the sure sign.
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLBAY_HELP_WORK}/QBYHelp.chm ${QUILLBAY_HELP_FILE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tests
  COMMAND ${CMAKE_COMMAND} -E copy ${QUILLBAY_HELP_WORK}/QBYHelp.chm ${CMAKE_BINARY_DIR}/tests/QBYHelp.chm
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
  DEPENDS ${QUILLBAY_HELP_SOURCES}
  COMMENT "Compiling the help file QBYHelp.chm"
  VERBATIM)
add_custom_target(QuillbayHelp ALL DEPENDS ${QUILLBAY_HELP_FILE})
