# Where `make install` puts the programs, the desktop entry, the icons, the
# AppStream metadata and the manual pages, and how `make package` makes a
# Debian package of them. CMAKE_INSTALL_PREFIX and DESTDIR are honoured.
include(GNUInstallDirs)

set(QUORVEL_APP_ID org.quorvel.Quorvel)
set(QUORVEL_DATA ${PROJECT_SOURCE_DIR}/data)

install(TARGETS quorvel-inspect RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quorvel-inspect.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The shape of quorvel-inspect --json, for the scripts that read it.
install(FILES ${PROJECT_SOURCE_DIR}/docs/json.md ${PROJECT_SOURCE_DIR}/docs/json.schema.json
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel)

if(QUORVEL_GUI)
  install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/docs/man/quorvel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${QUORVEL_DATA}/${QUORVEL_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${QUORVEL_DATA}/${QUORVEL_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${QUORVEL_DATA}/${QUORVEL_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # Bitmap sizes for desktops that do not draw SVG icons, rendered from the
  # one scalable source at build time.
  find_program(RSVG_CONVERT rsvg-convert REQUIRED)
  set(icon_pngs)
  foreach(size 16 24 32 48 64 128 256)
    set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${QUORVEL_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}x${size}
      COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${QUORVEL_DATA}/${QUORVEL_APP_ID}.svg
      DEPENDS ${QUORVEL_DATA}/${QUORVEL_APP_ID}.svg VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
  endforeach()
  add_custom_target(icons ALL DEPENDS ${icon_pngs})
endif()

# The Debian package. Library dependencies come from dpkg-shlibdeps; the Qt
# plugins the viewer loads at run time (the X11 and Wayland platforms, SVG
# images) are not linked, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VENDOR Quorvel)
set(CPACK_PACKAGE_CONTACT "Quorvel developers <dev@quorvel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer for the internal structure of PDF files")
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvel shows the object graph of a PDF file as a tree, describes each\nobject, shows decoded stream contents and draws image streams. The\nterminal tool quorvel-inspect prints the same views as text or JSON.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
if(QUORVEL_GUI)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_INSTALL_DIRECTORY ${CPACK_PACKAGE_NAME})
set(CPACK_SET_DESTDIR OFF)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
