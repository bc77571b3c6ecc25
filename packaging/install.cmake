# Installation: the program's folder as the build lays it out (the program finds its help
# beside itself), a command on the PATH, a menu entry, the icon, the skin archives' file
# type and the manual pages. By default for the current user under ~/.local.
include(GNUInstallDirs)

set(HADREL_INSTALL_DIR lib/hadrel)

install(TARGETS hadrel hadrelwipe hadrel-thumbnailer RUNTIME DESTINATION ${HADREL_INSTALL_DIR})
# The helper that tells a running Winamp of a new skin; wine runs it, so it need not be
# executable itself.
if(HADREL_MINGW32_GCC)
    install(FILES ${HADREL_PROGRAM_DIR}/hadrel-winamp.exe DESTINATION ${HADREL_INSTALL_DIR})
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/html/ DESTINATION ${HADREL_INSTALL_DIR}/html
        FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
install(FILES ${CMAKE_SOURCE_DIR}/app/art/hadrel-128.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps
        RENAME hadrel.png)
install(FILES ${CMAKE_SOURCE_DIR}/app/art/hadrel-32.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps
        RENAME hadrel.png)

# Software centres find the program by this file; its screenshots are the README's, as
# published with the release's tag.
set(HADREL_APP_ID io.github.hadrel.hadrel)
set(HADREL_SCREENSHOTS_URL ${PROJECT_HOMEPAGE_URL}/raw/v${PROJECT_VERSION}/doc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/hadrel.metainfo.xml.in ${CMAKE_BINARY_DIR}/${HADREL_APP_ID}.metainfo.xml
               @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${HADREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# File managers open .wsz files with the program through this type, and show it with an
# icon of its own.
foreach(size 16 32 48 128 256)
    install(FILES ${CMAKE_SOURCE_DIR}/app/art/skin-file-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/mimetypes
            RENAME application-x-winamp-skin.png)
endforeach()
install(FILES ${CMAKE_CURRENT_LIST_DIR}/hadrel-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME hadrel.xml)

# The manual pages, English and Japanese, compressed as man and lintian expect them.
set(manpages)
foreach(page hadrel.1 hadrelwipe.1 ja/hadrel.1 ja/hadrelwipe.1)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/man/${page} ${CMAKE_BINARY_DIR}/man/${page} @ONLY)
    add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
        COMMAND gzip -9nf -k ${CMAKE_BINARY_DIR}/man/${page}
        DEPENDS ${CMAKE_BINARY_DIR}/man/${page}
        VERBATIM)
    list(APPEND manpages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_target(hadrel_man ALL DEPENDS ${manpages})
install(FILES ${CMAKE_BINARY_DIR}/man/hadrel.1.gz ${CMAKE_BINARY_DIR}/man/hadrelwipe.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/man/ja/hadrel.1.gz ${CMAKE_BINARY_DIR}/man/ja/hadrelwipe.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)

# The command links and the menu entry depend on the prefix given at install time
# (cmake --install --prefix), so they are made then.
configure_file(${CMAKE_CURRENT_LIST_DIR}/install-links.cmake.in ${CMAKE_BINARY_DIR}/install-links.cmake @ONLY)
install(SCRIPT ${CMAKE_BINARY_DIR}/install-links.cmake)

# Removes exactly what was installed; an older install's trash folder that holds skins is
# kept.
add_custom_target(uninstall
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt
            -P ${CMAKE_CURRENT_LIST_DIR}/uninstall.cmake
    VERBATIM)
