# Packages made by cpack: a Debian package from a native build, a zip of
# the two programs from a Windows build.

# LICENSE holds the notice line that the programs print.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE license_notice REGEX "^Copyright ")
if(NOT license_notice STREQUAL QUENLO_NOTICE)
  message(FATAL_ERROR "LICENSE says \"${license_notice}\", the programs \"${QUENLO_NOTICE}\"")
endif()

set(CPACK_PACKAGE_NAME quenlo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quenlo developers")
set(CPACK_PACKAGE_CONTACT "Quenlo developers <dev@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "line-break converter for text files")
set(CPACK_PACKAGE_HOMEPAGE_URL https://quenlo.example.org/)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR "")

if(WIN32)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_PACKAGE_FILE_NAME Quenlo-${PROJECT_VERSION}-win64)
  else()
    set(CPACK_PACKAGE_FILE_NAME Quenlo-${PROJECT_VERSION}-win32)
  endif()
  # Unpacked where the user chooses; Explorer makes the folder itself.
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  # CR LF, so that Notepad on any Windows shows the lines.
  configure_file(${PROJECT_SOURCE_DIR}/README.md README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION text)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # cpack puts the summary in front.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Quenlo rewrites every line break of a text file, in place, to one style:
CR LF (Windows), CR (classic Mac) or LF (Unix). Every other byte is copied
unchanged, so Shift_JIS or any binary content passes through intact. The
file is never left half converted: the new content is written beside it
and takes its name only when complete.")

  set(doc_dir ${CMAKE_INSTALL_DATAROOTDIR}/doc/quenlo)
  # Debian's machine-readable copyright file, from LICENSE.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
  string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" license_text "${license_text}")
  string(REGEX REPLACE "\n\n" "\n.\n" license_text "${license_text}")
  string(REGEX REPLACE "\n([^\n])" "\n \\1" license_text "${license_text}")
  file(WRITE ${PROJECT_BINARY_DIR}/copyright
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: Quenlo\n"
    "Source: ${CPACK_PACKAGE_HOMEPAGE_URL}\n\n"
    "Files: *\n"
    "Copyright: ${QUENLO_NOTICE}\n"
    "License: Expat\n"
    " ${license_text}")

  # Debian asks every package for a changelog; this one points to the README.
  string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE ${PROJECT_BINARY_DIR}/changelog
    "quenlo (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}; README.md describes the program.\n\n"
    " -- ${CPACK_PACKAGE_CONTACT}  ${changelog_date}\n")
  add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/changelog.gz
    COMMAND ${GZIP} -9 -n -k -f ${PROJECT_BINARY_DIR}/changelog
    DEPENDS ${PROJECT_BINARY_DIR}/changelog
    VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/changelog.gz)

  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_BINARY_DIR}/copyright
    ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${doc_dir})
endif()

include(CPack)
