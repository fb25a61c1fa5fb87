# The Debian package (`cpack -G DEB` in a build of the `package` preset, which installs under
# /usr): both programs, the menu entry and icons of the install rules, their manual pages,
# and in /usr/share/doc/tintwell the README, the machine-readable copyright file and a
# changelog. The package's dependencies are what dpkg-shlibdeps finds the programs linked
# against. Windows builds are packaged by scripts/package-windows instead.
if(WIN32)
    return()
endif()
include(GNUInstallDirs)

set(TINTWELL_PACKAGE_MAINTAINER "Tintwell developers <tintwell@qorvel.invalid>"
    CACHE STRING "The Maintainer field of the Debian package")
option(TINTWELL_MAN_PAGES "Install manual pages (the command-line tool's made by help2man)" OFF)
set(_doc_dir ${CMAKE_INSTALL_DATADIR}/doc/tintwell)
set(_packaging ${CMAKE_CURRENT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_packaging})

# Debian's own changelog layout, version from the project (gzip -n leaves out the time).
string(TIMESTAMP _date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${_packaging}/changelog
     "tintwell (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Release ${PROJECT_VERSION}.\n\n"
     " -- ${TINTWELL_PACKAGE_MAINTAINER}  ${_date}\n")
execute_process(COMMAND gzip -9nf ${_packaging}/changelog COMMAND_ERROR_IS_FATAL ANY)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
              ${_packaging}/changelog.gz
        DESTINATION ${_doc_dir})

# The command-line tool's page is its --help and --version, so that it cannot drift.
if(TINTWELL_MAN_PAGES)
    find_program(TINTWELL_HELP2MAN help2man REQUIRED)
    set(_cli_page ${_packaging}/tintwell-cli.1)
    add_custom_command(OUTPUT ${_cli_page}.gz
        COMMAND ${TINTWELL_HELP2MAN} --no-info --section 1
                --name "common color palette for a set of BMP and PNG images"
                --output ${_cli_page} $<TARGET_FILE:tintwell-cli>
        COMMAND gzip -9nf ${_cli_page}
        DEPENDS tintwell-cli
        COMMENT "Writing the manual page of tintwell-cli")
    set(_pages ${_cli_page}.gz)
    if(TINTWELL_BUILD_UI)
        set(_window_page ${_packaging}/tintwell.1.gz)
        add_custom_command(OUTPUT ${_window_page}
            COMMAND gzip -9nc ${PROJECT_SOURCE_DIR}/packaging/man/tintwell.1 > ${_window_page}
            DEPENDS ${PROJECT_SOURCE_DIR}/packaging/man/tintwell.1)
        list(APPEND _pages ${_window_page})
    endif()
    add_custom_target(tintwell_man_pages ALL DEPENDS ${_pages})
    install(FILES ${_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tintwell)
set(CPACK_PACKAGE_VENDOR Qorvel_SA)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${TINTWELL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "common color palette for a set of BMP and PNG images")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The extended description under the summary; CPack indents its lines and marks the empty
# line between paragraphs as the control file wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Tintwell makes up to 128 BMP and PNG images share one common color palette,
for game and pixel artists who prepare palette-based sprites, tiles and UI
pieces. It collects every color the files use, reduced to a chosen number of
bits per channel or moved to a fixed 256- or 16-color palette, and writes every
file again as a 4- or 8-bit BMP or an indexed PNG over that palette. The
palette can be saved as an .act, GIMP .gpl, JASC-PAL .pal or .hex file.

The package holds the window (tintwell, Qt 6, in Japanese or English) and the
command-line tool (tintwell-cli).")

# Installed directories get the usual 0755 whatever the builder's umask is.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

include(CPack)
