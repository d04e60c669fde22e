# An installed copy: the program and calbrey in bin/, its own files in share/quenlark-calbrey/,
# calbrey's manual page and bash completion, and the desktop's entry, icons and AppStream data
# where the desktop looks for them. It holds no
# Profiles/ folder, so the program keeps each user's files in the user's data folder.
# `make install PREFIX=...` and `make package` (a .deb) use these rules.
include(GNUInstallDirs)

set(CALBREY_DIST ${CMAKE_SOURCE_DIR}/dist)
set(CALBREY_ICON_PNG ${CMAKE_BINARY_DIR}/icons/quenlark-calbrey.png)

# The bitmap icon, drawn from the application's SVG icon.
add_custom_command(OUTPUT ${CALBREY_ICON_PNG}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons
    COMMAND calbrey_renderpicture ${CALBREY_DIST}/quenlark-calbrey.svg ${CALBREY_ICON_PNG} 48 48
    DEPENDS calbrey_renderpicture ${CALBREY_DIST}/quenlark-calbrey.svg VERBATIM)
add_custom_target(calbrey_icons ALL DEPENDS ${CALBREY_ICON_PNG})

install(TARGETS quenlark-calbrey calbrey RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# calbrey's manual page and its bash completion.
install(FILES ${CALBREY_DIST}/calbrey.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CALBREY_DIST}/calbrey.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME calbrey)
install(DIRECTORY ${CALBREY_DIST}/Help DESTINATION ${CMAKE_INSTALL_DATADIR}/quenlark-calbrey)
install(FILES ${PROGRAM_DIR}/quenlark_line.jpg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/quenlark-calbrey)
install(FILES ${CALBREY_DIST}/quenlark-calbrey.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CALBREY_DIST}/quenlark-calbrey.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CALBREY_ICON_PNG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/48x48/apps)
install(FILES ${CALBREY_DIST}/quenlark-calbrey.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# make package: a .deb whose dependencies come from the libraries the program links.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quenlark-calbrey)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quenlark)
set(CPACK_PACKAGE_CONTACT "Quenlark <calbrey@quenlark.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop address book")
set(CPACK_PACKAGE_DESCRIPTION
    "Quenlark Calbrey keeps your contacts in profiles of your own: names, e-mail and web\n"
    "addresses, home and work details, a category, a picture and notes. List, filter and\n"
    "search them, mail a contact or open their web page, print reports, import CSV files\n"
    "and back profiles up. The calbrey command does the same from a terminal or a script\n"
    "and answers mail clients' address queries (mutt, neomutt, aerc).")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Mail and web addresses are opened through xdg-open, which no linked library brings in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS xdg-utils)
set(CPACK_STRIP_FILES ON)
# The X11 platform and JPEG plugins the program loads at run time come with libqt6gui6, which
# the linked libraries already bring in.
include(CPack)
