# `make package` (cpack -G DEB): a Debian package of everything `cmake --install` installs — the
# programs, the data folder, the desktop entry, icon, MIME type, AppStream data, manual pages and
# shell completions. Depends are worked out from the binaries by dpkg-shlibdeps (dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tunebay)
set(CPACK_PACKAGE_VENDOR Plenwick)
set(CPACK_PACKAGE_CONTACT "Plenwick <tunebay@tunebay.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL https://tunebay.org/)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cataloguer for MP3 and other media files")
# Debian shows the long description as it stands: lines of at most 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
    "Tunebay keeps a catalogue of MP3 and other media files in one SQLite file:
titles, groups, packages, genres, lengths, bitrates and where each file lives.
The desktop window and the command-line tool tunebay-cli import, browse,
search, correct, export and sort them.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# xdg-open starts the player and opens folders and web pages.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${CMAKE_SOURCE_DIR}/cmake/debian/postinst ${CMAKE_SOURCE_DIR}/cmake/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

# What Debian's policy asks of every package: the machine-readable copyright file and a
# changelog compressed with gzip -9n, under /usr/share/doc/tunebay/.
execute_process(COMMAND date -u -R -d ${TUNEBAY_RELEASE_DATE}
    OUTPUT_VARIABLE TUNEBAY_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
    COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/debian/changelog.in
    ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog @ONLY)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog.gz
    COMMAND gzip -9nfk ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog
    DEPENDS ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog
    COMMENT "Compressing the changelog")
add_custom_target(tunebay_package_docs ALL DEPENDS ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog.gz)
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright
    ${CMAKE_BINARY_DIR}/share/doc/tunebay/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/tunebay)

include(CPack)
