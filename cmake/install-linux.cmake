# What `make install` and the Debian package put in place on Linux: the game under games/, the
# XScreenSaver hack and its settings where Debian's XScreenSaver looks for them, the desktop entry,
# the icons, the manual pages, the copyright and the changelog.

# The daemon looks for hacks and their settings in these folders, whatever our prefix.
set(PELLWICK_HACK_DIR "/usr/libexec/xscreensaver" CACHE PATH "Where XScreenSaver looks for hacks")
set(PELLWICK_HACK_CONFIG_DIR "/usr/share/xscreensaver/config" CACHE PATH "Where XScreenSaver reads hack settings")

install(TARGETS pellwick RUNTIME DESTINATION games)

# The hack is a relative link to the game, so the package stays relocatable under its root.
file(RELATIVE_PATH PELLWICK_HACK_TARGET "${PELLWICK_HACK_DIR}" "${CMAKE_INSTALL_PREFIX}/games/pellwick")
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}${PELLWICK_HACK_DIR}\")
  file(CREATE_LINK \"${PELLWICK_HACK_TARGET}\" \"\$ENV{DESTDIR}${PELLWICK_HACK_DIR}/pellwick\" SYMBOLIC)
  message(STATUS \"Installing: \$ENV{DESTDIR}${PELLWICK_HACK_DIR}/pellwick -> ${PELLWICK_HACK_TARGET}\")")
# The settings file and the manual take the settings' lines from their one definition, by settings_text.
add_executable(settings_text src/tools/settings_text_main.cpp src/tools/settings_text.cpp)
target_link_libraries(settings_text PRIVATE pellwick_app)
# fill_settings(TEMPLATE MARKER OUT FORMAT): OUT is TEMPLATE with its line MARKER replaced by the settings.
function(fill_settings template marker out format)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DTEMPLATE=${template} "-DMARKER=${marker}" -DOUT=${out}
            -DPROGRAM=$<TARGET_FILE:settings_text> -DFORMAT=${format} -P ${CMAKE_SOURCE_DIR}/cmake/fill-template.cmake
    DEPENDS settings_text ${template} ${CMAKE_SOURCE_DIR}/cmake/fill-template.cmake
    VERBATIM)
endfunction()
set(PELLWICK_HACK_SETTINGS ${CMAKE_BINARY_DIR}/assets/xscreensaver/pellwick.xml)
add_custom_command(OUTPUT ${PELLWICK_HACK_SETTINGS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/assets/xscreensaver
  COMMAND settings_text xscreensaver > ${PELLWICK_HACK_SETTINGS}
  DEPENDS settings_text)
add_custom_target(hack_settings ALL DEPENDS ${PELLWICK_HACK_SETTINGS})
install(FILES ${PELLWICK_HACK_SETTINGS} DESTINATION ${PELLWICK_HACK_CONFIG_DIR})

install(FILES assets/pellwick.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The session's autostart entry for the idle watcher, kept beside the program's files and so off until the
# user copies it into ~/.config/autostart, with the command --help gives.
install(FILES assets/pellwick-idle.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/pellwick)
target_compile_definitions(pellwick PRIVATE PELLWICK_AUTOSTART_ENTRY="${CMAKE_INSTALL_FULL_DATADIR}/pellwick/pellwick-idle.desktop")
foreach(px 16 32 48 256)
  install(FILES assets/icons/pellwick-${px}.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${px}x${px}/apps
          RENAME pellwick.png)
endforeach()

# Manual pages and the changelog get the project's version, and go compressed, as Debian wants them.
set(PELLWICK_COMPRESSED)
foreach(doc man/pellwick.6 man/pellwick-render.1 debian/changelog)
  get_filename_component(name ${doc} NAME)
  if(doc STREQUAL "man/pellwick.6")
    configure_file(assets/${doc}.in ${CMAKE_BINARY_DIR}/assets/${doc}.synopsis @ONLY)
    fill_settings(${CMAKE_BINARY_DIR}/assets/${doc}.synopsis ".\\\" synopsis" ${CMAKE_BINARY_DIR}/assets/${doc}.settings man-synopsis)
    fill_settings(${CMAKE_BINARY_DIR}/assets/${doc}.settings ".\\\" settings" ${CMAKE_BINARY_DIR}/assets/${doc} man)
  else()
    configure_file(assets/${doc}.in ${CMAKE_BINARY_DIR}/assets/${doc} @ONLY)
  endif()
  set(out ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
    COMMAND gzip -9n -c ${CMAKE_BINARY_DIR}/assets/${doc} > ${out}
    DEPENDS ${CMAKE_BINARY_DIR}/assets/${doc})
  list(APPEND PELLWICK_COMPRESSED ${out})
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${PELLWICK_COMPRESSED})
install(FILES ${CMAKE_BINARY_DIR}/compressed/pellwick.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${CMAKE_BINARY_DIR}/compressed/pellwick-render.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES assets/debian/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pellwick)
install(FILES ${CMAKE_BINARY_DIR}/compressed/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pellwick)

# make package: a Debian package built by CPack.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellwick)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Pellwick developers <pellwick@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running screen toy and screensaver of walkers painting territory")
# The extended description: CPack puts the summary above it, indents it and turns the empty line into " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "501 walkers in four colour teams paint territory and fight along their
borders; the black blots of the dead become new walls. A click starts a new
game, a double-click or Escape ends it.

The package holds the full-screen program, a hack for XScreenSaver, and
pellwick-render, which plays a game off-screen and writes it as a picture or an
animated GIF.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_SET_DESTDIR ON)  # the hack's folders are absolute paths, so the package is staged with DESTDIR
include(CPack)
