# What `cmake --install` puts in the prefix: the programs, their manual pages,
# and for the window its desktop entry, icons and AppStream data, plus the
# licence and changelog under share/doc/kit85.
#
# The manual pages (docs/man/NAME.1.scd, through scdoc) and the PNG icons
# (rendered from the SVG by rsvg-convert) are made by the ordinary build. A
# missing tool only leaves its files out, with a warning at configure time;
# scripts/setup installs both, and scripts/check-package fails on a package
# without them.

include(GNUInstallDirs)

# Each program here is installed with its manual page docs/man/NAME.1.scd;
# one not built in this tree (kit85 without KIT85_WINDOW) is left out.
set(KIT85_PROGRAMS kit85 kit85-run kit85-asm kit85-grade)

set(KIT85_ICON_SVG ${PROJECT_SOURCE_DIR}/src/panel/resources/kit85.svg)
set(KIT85_ICON_SIZES 16 32 48 64 128 256)
set(KIT85_APP_ID io.github.kit85.kit85)

find_program(KIT85_SCDOC scdoc)
find_program(KIT85_RSVG_CONVERT rsvg-convert)
find_program(KIT85_GZIP gzip)

set(kit85_generated ${PROJECT_BINARY_DIR}/share)
set(kit85_made_files)

foreach(program IN LISTS KIT85_PROGRAMS)
  if(NOT TARGET ${program})
    continue()
  endif()
  install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

  set(page_source ${PROJECT_SOURCE_DIR}/docs/man/${program}.1.scd)
  set(page ${kit85_generated}/man/man1/${program}.1.gz)
  if(NOT EXISTS ${page_source})
    message(FATAL_ERROR "${program} has no manual page: write ${page_source}")
  endif()
  if(KIT85_SCDOC AND KIT85_GZIP)
    # gzip -n keeps the time out of the file, so the package is reproducible.
    add_custom_command(
      OUTPUT ${page}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${kit85_generated}/man/man1
      COMMAND sh -c "\"$1\" < \"$2\" | \"$3\" -9n > \"$4\"" sh ${KIT85_SCDOC} ${page_source} ${KIT85_GZIP} ${page}
      DEPENDS ${page_source}
      COMMENT "Manual page ${program}(1)"
      VERBATIM)
    list(APPEND kit85_made_files ${page})
    install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()

if(NOT KIT85_SCDOC OR NOT KIT85_GZIP)
  message(WARNING "scdoc or gzip not found: the manual pages are not built or installed (scripts/setup installs scdoc)")
endif()

if(TARGET kit85)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kit85.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/kit85-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME kit85.xml)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/${KIT85_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${KIT85_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  if(KIT85_RSVG_CONVERT)
    foreach(size IN LISTS KIT85_ICON_SIZES)
      set(dir ${kit85_generated}/icons/hicolor/${size}x${size}/apps)
      add_custom_command(
        OUTPUT ${dir}/kit85.png
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
        COMMAND ${KIT85_RSVG_CONVERT} --width=${size} --height=${size} --format=png --output=${dir}/kit85.png
                ${KIT85_ICON_SVG}
        DEPENDS ${KIT85_ICON_SVG}
        COMMENT "Icon kit85.png ${size}x${size}"
        VERBATIM)
      list(APPEND kit85_made_files ${dir}/kit85.png)
      install(FILES ${dir}/kit85.png DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
    endforeach()
  else()
    message(WARNING "rsvg-convert not found: only the SVG icon is installed (scripts/setup installs librsvg2-bin)")
  endif()
endif()

# The licence in Debian's machine-readable form and the changelog, gzipped:
# Debian's policy asks for both, and they do no harm elsewhere.
set(kit85_changelog ${kit85_generated}/doc/changelog.gz)
if(KIT85_GZIP)
  add_custom_command(
    OUTPUT ${kit85_changelog}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${kit85_generated}/doc
    COMMAND sh -c "\"$1\" -9n < \"$2\" > \"$3\"" sh ${KIT85_GZIP} ${PROJECT_SOURCE_DIR}/packaging/changelog
            ${kit85_changelog}
    DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
    COMMENT "changelog.gz"
    VERBATIM)
  list(APPEND kit85_made_files ${kit85_changelog})
  install(FILES ${kit85_changelog} DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(kit85_made_files)
  add_custom_target(kit85-install-files ALL DEPENDS ${kit85_made_files})
endif()

# The kit profiles of the interfacing board, found by kit85-run --board NAME.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/profiles/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kit85/profiles
        FILES_MATCHING PATTERN "*.toml")
