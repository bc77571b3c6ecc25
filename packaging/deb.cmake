# The Debian package (make deb): the install rules of make install with prefix /usr,
# packed by CPack. The version is the project's, so package, About window and AppStream
# release cannot disagree.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hadrel)
set(CPACK_PACKAGE_VENDOR "Hadrel developers")
# A placeholder address on the home page's host; the changelog's signature uses the same.
set(CPACK_PACKAGE_CONTACT "Hadrel developers <hadrel@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "manager for Winamp 2 skins kept as folders or archives")
set(CPACK_PACKAGE_DESCRIPTION
    "Hadrel lists the Winamp 2 skins of a skin folder, kept as folders or as
archives (.wsz, .zip), shows them twelve at a time as previews, also as
Winamp draws them, and applies one to Winamp running under Wine by
rewriting its winamp.ini. It also adds, renames, unpacks and deletes skins,
opens .wsz files from the file manager and switches between five
registered skin folders. Its user interface is in Japanese.")

# Install scripts must see the real prefix: the menu entry names /usr/bin/hadrel.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# The package alone carries the Debian copyright file; make install does not. Packing by
# components also keeps CPack's file lists out of install_manifest.txt, which would
# otherwise point make uninstall at the files of the installed package.
set(CPACK_COMPONENTS_ALL Unspecified debian)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# The shared libraries, SQLite for the index among them, are found by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Every caption is Japanese, Qt's own buttons and menus too. (The X11 platform plugin
# comes with libqt6gui6.)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n")
# xdg-open for the skin folder and the help pages.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS wine)
# No maintainer scripts: the MIME, menu, manual and icon databases are brought up to date
# by the triggers their own packages declare on the folders these files go into. A trash
# folder an older package shipped stays while it holds skins (dpkg keeps a directory
# that is not empty).

# The Debian changelog, compressed as for a native package.
set(HADREL_CHANGELOG_GZ ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${HADREL_CHANGELOG_GZ}
    COMMAND gzip -9n -c ${CMAKE_CURRENT_LIST_DIR}/changelog > ${HADREL_CHANGELOG_GZ}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/changelog)
add_custom_target(hadrel_changelog ALL DEPENDS ${HADREL_CHANGELOG_GZ})
install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright ${HADREL_CHANGELOG_GZ}
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/hadrel COMPONENT debian EXCLUDE_FROM_ALL)

include(CPack)
