# The Windows installer of one build (make windows): makensis packs pellwick.exe, pellwick.scr and
# pellwick-render.exe into pellwick-VERSION-ARCH-setup.exe beside them, with the program's icon and version.
find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(STATUS "makensis not found: no installer (Debian's nsis has it)")
  return()
endif()
if(CMAKE_SYSTEM_PROCESSOR MATCHES "64")
  set(PELLWICK_SETUP_ARCH x64)
  set(PELLWICK_NSIS_TARGET amd64-unicode)
  set(PELLWICK_PROGRAM_FILES "$PROGRAMFILES64")
else()
  set(PELLWICK_SETUP_ARCH x86)
  set(PELLWICK_NSIS_TARGET x86-unicode)
  set(PELLWICK_PROGRAM_FILES "$PROGRAMFILES")
endif()
set(PELLWICK_VERSION_QUAD "${PROJECT_VERSION_MAJOR}.${PELLWICK_VERSION_MINOR_NUMBER}.0.0")
set(PELLWICK_WINDOWS_BUILD ${CMAKE_BINARY_DIR})
set(PELLWICK_SETUP_FILE ${CMAKE_BINARY_DIR}/pellwick-${PROJECT_VERSION}-${PELLWICK_SETUP_ARCH}-setup.exe)
set(PELLWICK_SIDE_BITMAP ${CMAKE_SOURCE_DIR}/packaging/windows/installer-side.bmp)
configure_file(packaging/windows/pellwick.nsi.in ${CMAKE_BINARY_DIR}/pellwick.nsi @ONLY)
add_custom_command(OUTPUT ${PELLWICK_SETUP_FILE}
                   COMMAND ${MAKENSIS} -V2 -NOCD ${CMAKE_BINARY_DIR}/pellwick.nsi
                   DEPENDS pellwick pellwick-render ${CMAKE_BINARY_DIR}/pellwick.nsi ${PELLWICK_ICON} ${PELLWICK_SIDE_BITMAP}
                   COMMENT "Packing the ${PELLWICK_SETUP_ARCH} installer")
add_custom_target(installer ALL DEPENDS ${PELLWICK_SETUP_FILE})
