# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME "zorvel")
set(CPACK_PACKAGE_VENDOR "Zorvel developers")
set(CPACK_PACKAGE_CONTACT "Zorvel developers <zorvel@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet bookmark manager for .url, .website and bookmark HTML files")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
  "Zorvel gathers bookmarks from Internet Shortcut files, pinned-website files and\n"
  "Netscape bookmark HTML files into one list to search, sort, edit and write back.\n"
  "zorvel-cli does the same in scripts.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "web")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# Library dependencies from the binaries themselves (needs dpkg-shlibdeps from dpkg-dev).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's own dialog texts (file dialogs, message box buttons) in the user's language;
# the program loads them under a Japanese locale. The SVG image plugin (loaded
# at run time, so not found by dpkg-shlibdeps) draws the sites' SVG icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, libqt6svg6")
set(CPACK_STRIP_FILES ON)
include(CPack)
