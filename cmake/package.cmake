# The Debian package, built by CPack from the install rules in install.cmake:
# `cpack -G DEB` in a build folder (scripts/package does it) writes
# kit85_<version>_<arch>.deb there. Its library dependencies come from
# dpkg-shlibdeps.

set(KIT85_PACKAGE_MAINTAINER "kit85 developers <maintainers@users.noreply.c-seed-8f14c20f.example>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kit85)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "the kit85 developers")
set(CPACK_PACKAGE_CONTACT ${KIT85_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Intel 8085 microprocessor trainer kit simulator")
# The extended description; CPack indents its lines and turns the empty line
# into Debian's " .".
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "kit85 simulates a single-board Intel 8085 trainer kit, the kind found in
every microprocessor lab. Students key a program into memory in hex, byte by
byte, run it with Execute or one instruction at a time with Step Exe, and
read the registers, the flags and memory, as on the lab kit.

The kit's memory is kept in an SQLite file. kit85-run runs programs without
the window, for scripts and graders, and reports the registers, flags and
memory as text or JSON. kit85-grade checks a whole class's programs against a
lab's check file and reports points per student.")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's xcb platform plugin comes with libqt6gui6 and its SVG icon plugin with
# libqt6svg6, both found by dpkg-shlibdeps: no Depends needs adding by hand.
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
