# Files that only the .deb holds, made from the project's own: the copyright
# file in Debian's machine-readable format with the text of LICENSE, the
# changelog in Debian's format (one entry per release of CHANGELOG.md), and
# lintian's overrides. All go into the install component "debian", which a
# plain `cmake --install` leaves out.
find_program(VORTIQ_GZIP gzip REQUIRED)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
set(VORTIQ_DEBIAN_DIR ${CMAKE_BINARY_DIR}/debian)
set(VORTIQ_MAINTAINER "VORTIQ maintainers <maintainers@vortiq.org>")

# copyright: the licence paragraph is LICENSE from its permission notice on,
# each line indented by one space and empty lines written as " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(FIND "${licence}" "Permission is hereby granted" notice)
string(SUBSTRING "${licence}" ${notice} -1 licence)
string(STRIP "${licence}" licence)
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " licence "${licence}")
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE holder REGEX "^Copyright ")
string(REGEX REPLACE "^Copyright (\\(c\\) )?" "" holder "${holder}")
file(CONFIGURE OUTPUT ${VORTIQ_DEBIAN_DIR}/copyright @ONLY CONTENT
"Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/
Upstream-Name: vortiq
Upstream-Contact: ${VORTIQ_MAINTAINER}
Source: https://vortiq.org

Files: *
Copyright: ${holder}
License: Expat
 ${licence}
")

# changelog: the releases of CHANGELOG.md ("## [5.72] - 2026-12-07"), newest
# first, each pointing to CHANGELOG.md for its changes.
file(STRINGS ${PROJECT_SOURCE_DIR}/CHANGELOG.md releases
     REGEX "^## \\[[0-9][0-9.]*\\] - [0-9]+-[0-9]+-[0-9]+$")
set(changelog "")
foreach(release IN LISTS releases)
  string(REGEX MATCH "\\[([0-9.]+)\\] - ([0-9-]+)" _ "${release}")
  set(release_version ${CMAKE_MATCH_1})
  execute_process(COMMAND date -u -R -d "${CMAKE_MATCH_2}" OUTPUT_VARIABLE release_date
                  OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY
                  ENCODING UTF-8)
  string(APPEND changelog "vortiq (${release_version}) unstable; urgency=medium

  * Release ${release_version}; its changes are listed in
    /usr/share/doc/vortiq/CHANGELOG.md.

 -- ${VORTIQ_MAINTAINER}  ${release_date}

")
endforeach()
string(STRIP "${changelog}" changelog)
file(CONFIGURE OUTPUT ${VORTIQ_DEBIAN_DIR}/changelog @ONLY CONTENT "${changelog}\n")

# Compressed as Debian wants it, without name or time, so the bytes depend on
# the text alone.
add_custom_command(
  OUTPUT ${VORTIQ_DEBIAN_DIR}/changelog.gz
  COMMAND ${VORTIQ_GZIP} -9nkf ${VORTIQ_DEBIAN_DIR}/changelog
  DEPENDS ${VORTIQ_DEBIAN_DIR}/changelog
  VERBATIM)
add_custom_target(vortiq_debian_files ALL DEPENDS ${VORTIQ_DEBIAN_DIR}/changelog.gz)

install(FILES ${VORTIQ_DEBIAN_DIR}/copyright ${VORTIQ_DEBIAN_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT debian EXCLUDE_FROM_ALL)

# lintian's overrides, each with its reason.
if(VORTIQ_STATIC_PROGRAM)
  file(CONFIGURE OUTPUT ${VORTIQ_DEBIAN_DIR}/lintian-overrides @ONLY CONTENT
"# A static PIE, linked so on purpose: a run maps no shared library, so it
# starts in less time than cat takes for a small source, and the same program,
# also in the .tar.gz, runs on any Linux whatever its C library. lintian takes
# a position-independent program without an interpreter for a shared library.
vortiq: shared-library-lacks-prerequisites [usr/bin/vortiq]
")
  install(FILES ${VORTIQ_DEBIAN_DIR}/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME vortiq
          COMPONENT debian EXCLUDE_FROM_ALL)
endif()
