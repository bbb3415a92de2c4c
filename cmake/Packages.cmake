# The installer and the portable zip in dist/, made by scripts/package.sh from the built
# programs, the language file and the help file. Included last, once every program exists.
set(QUILLBAY_SETUP ${CMAKE_BINARY_DIR}/dist/QuillbaySetup-${PROJECT_VERSION}.exe)
set(QUILLBAY_PACKAGE_INPUTS
  ${CMAKE_BINARY_DIR}/Languages.ini ${QUILLBAY_HELP_FILE} $<TARGET_FILE:QuillbayPassword>
  ${PROJECT_SOURCE_DIR}/installer/Quillbay.nsi ${PROJECT_SOURCE_DIR}/scripts/package.sh
  ${PROJECT_SOURCE_DIR}/resources/Deployment.ini.example)
set(QUILLBAY_PACKAGE_TARGETS QuillbayPassword QuillbayHelp)
if(TARGET Quillbay)
  list(APPEND QUILLBAY_PACKAGE_INPUTS $<TARGET_FILE:Quillbay>)
  list(APPEND QUILLBAY_PACKAGE_TARGETS Quillbay)
endif()
add_custom_command(
  OUTPUT ${QUILLBAY_SETUP}
  COMMAND ${PROJECT_SOURCE_DIR}/scripts/package.sh ${CMAKE_BINARY_DIR}
  DEPENDS ${QUILLBAY_PACKAGE_INPUTS} ${QUILLBAY_PACKAGE_TARGETS}
  COMMENT "Building the installer and the portable zip in dist/"
  VERBATIM)
add_custom_target(QuillbayPackages ALL DEPENDS ${QUILLBAY_SETUP})
