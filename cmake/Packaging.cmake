# The Debian package: `cpack -G DEB` in a Linux build folder packs what `cmake --install`
# installs (the program, the console program when the build has it, the desktop entry and
# icons) together with the files Debian's policy asks of every package: copyright,
# changelog and manual pages. scripts/package-deb.sh builds it.
if(WIN32 OR APPLE)
  return()
endif()

include(GNUInstallDirs)
set(_ldx_debian "${CMAKE_CURRENT_LIST_DIR}/debian")
set(_ldx_doc "${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME}")

# Debian wants the changelog and manual page compressed with gzip -9n, so that the
# package is the same from build to build.
function(ldx_gzip source output)
  add_custom_command(OUTPUT "${output}"
    COMMAND gzip -9nc "${source}" > "${output}"
    DEPENDS "${source}" VERBATIM)
endfunction()
ldx_gzip("${_ldx_debian}/changelog" "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz")
set(_ldx_docs "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz")
# A manual page for each program the build has.
foreach(program ldx7320 ldx7320-cli ldx7320-scpi)
  if(TARGET ${program})
    configure_file("${_ldx_debian}/${program}.1" "${CMAKE_CURRENT_BINARY_DIR}/${program}.1" @ONLY)
    ldx_gzip("${CMAKE_CURRENT_BINARY_DIR}/${program}.1" "${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz")
    list(APPEND _ldx_docs "${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz")
    install(FILES "${CMAKE_CURRENT_BINARY_DIR}/${program}.1.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
  endif()
endforeach()
add_custom_target(ldx_package_docs ALL DEPENDS ${_ldx_docs})

install(FILES "${_ldx_debian}/copyright" "${CMAKE_CURRENT_BINARY_DIR}/changelog.gz" DESTINATION "${_ldx_doc}")

# The changelog's newest entry names the version being packaged.
file(STRINGS "${_ldx_debian}/changelog" _ldx_changelog_top LIMIT_COUNT 1)
if(NOT _ldx_changelog_top MATCHES "^${PROJECT_NAME} \\(${PROJECT_VERSION}\\) ")
  message(WARNING "cmake/debian/changelog has no entry for ${PROJECT_VERSION} at the top: add one before packaging")
endif()

set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "control panel for the LDX7320 six-channel LED driver board")
set(CPACK_PACKAGE_DESCRIPTION
  "The panel switches the six LEDs of an LDX7320 driver board on and off and sets
the drive current of its three channel pairs in 64 steps of 0.5 mA, talking to
the board over a serial port. It reads both back from the chip. A built-in
simulated board lets it run without hardware.")
string(APPEND CPACK_PACKAGE_DESCRIPTION "
ldx7320-cli runs the board's commands from a shell or a script, and
ldx7320-scpi serves the board as a SCPI instrument on TCP for lab scripts.")
set(LDX_PACKAGE_MAINTAINER "LDX7320 panel maintainers <maintainers@users.noreply.c-seed-6ce19502.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LDX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # ldx7320_<version>_<arch>.deb
# dpkg-shlibdeps names the libraries' packages as this Debian release calls them
# (libqt6widgets6, libqt6serialport6, libqt6gui6, libqt6core6, libstdc++6, libc6).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
