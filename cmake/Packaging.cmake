# What a desktop install needs beyond the programs (man pages, the Debian copyright and
# changelog), and the Debian package: `cpack -G DEB` in the build directory.
include(GNUInstallDirs)

if(NOT DEFINED KAVIO_HOMEPAGE_URL)
  set(KAVIO_HOMEPAGE_URL "https://github.com/kavio-app/kavio" CACHE STRING "The project's home page")
endif()
set(KAVIO_PACKAGE_MAINTAINER "Kavio developers <kavio-app@users.noreply.github.com>"
    CACHE STRING "The Debian package's Maintainer field: Name <address>")

# Debian wants these gzipped at the highest level, without a time stamp (-n) so that
# rebuilds give the same bytes.
find_program(KAVIO_GZIP gzip REQUIRED)
set(_kavio_gz_dir ${CMAKE_BINARY_DIR}/packaging)
set(_kavio_gz_files)
function(_kavio_gzip source name)
  set(out ${_kavio_gz_dir}/${name}.gz)
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy ${source} ${_kavio_gz_dir}/${name}
    COMMAND ${KAVIO_GZIP} -9nf ${_kavio_gz_dir}/${name}
    DEPENDS ${source}
    VERBATIM)
  set(_kavio_gz_files ${_kavio_gz_files} ${out} PARENT_SCOPE)
endfunction()

_kavio_gzip(${CMAKE_SOURCE_DIR}/docs/man/kavio.1 kavio.1)
_kavio_gzip(${CMAKE_SOURCE_DIR}/docs/man/kavio-store.1 kavio-store.1)
_kavio_gzip(${CMAKE_SOURCE_DIR}/cmake/debian/changelog changelog)
add_custom_target(kavio_packaging_files ALL DEPENDS ${_kavio_gz_files})
# cpack installs without building: the programs' build brings these along.
add_dependencies(kavio kavio_packaging_files)

install(FILES ${_kavio_gz_dir}/kavio.1.gz ${_kavio_gz_dir}/kavio-store.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The package's name, not the project's: Debian looks in /usr/share/doc/kavio.
install(FILES ${CMAKE_SOURCE_DIR}/cmake/debian/copyright ${_kavio_gz_dir}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kavio)

set(CPACK_PACKAGE_NAME kavio)
set(CPACK_PACKAGE_VENDOR "Kavio")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${KAVIO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${KAVIO_HOMEPAGE_URL}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "play your own videos on a car display")
set(CPACK_PACKAGE_DESCRIPTION
"Kavio plays your own videos on a car display. A phone-style window manages
the library: folders of videos, each with a title, an artist and a thumbnail.
The car window lists the same folders and plays the chosen video with the rest
of its folder after it. Media keys and steering-wheel buttons control it
through MPRIS.

The kavio-store command shows and changes a library from the command line.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_PACKAGE_NAME kavio)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time as plugins, so dpkg-shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-libav, qt6-qpa-plugins, qt6-image-formats-plugins, libqt6svg6")

# Emoji in the support screen's texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji")

set(CPACK_GENERATOR DEB)
include(CPack)
