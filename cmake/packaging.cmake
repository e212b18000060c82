# What an installation of vortiq holds, and the packages CPack makes of it: a
# .deb and a .tar.gz on Linux, a .zip for Windows. Every version in them is the
# project() version, which also gives the banner of every header its "V5.72".
include(GNUInstallDirs)
# Folders made by the installation get these modes whatever the umask, so the
# packages do too.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
    GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # A portable folder: vortiq.exe and the documents side by side.
  set(VORTIQ_INSTALL_BINDIR .)
  set(VORTIQ_INSTALL_DOCDIR .)
else()
  set(VORTIQ_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(VORTIQ_INSTALL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  # The manual page compressed, as man finds it: without name or time in the
  # gzip header, so the bytes depend on the page alone.
  find_program(VORTIQ_GZIP gzip REQUIRED)
  set(VORTIQ_MAN_PAGE ${CMAKE_BINARY_DIR}/doc/vortiq.1.gz)
  add_custom_command(
    OUTPUT ${VORTIQ_MAN_PAGE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
    COMMAND ${VORTIQ_GZIP} -9n <${PROJECT_SOURCE_DIR}/doc/vortiq.1 >${VORTIQ_MAN_PAGE}
    DEPENDS ${PROJECT_SOURCE_DIR}/doc/vortiq.1)
  add_custom_target(vortiq_man_page ALL DEPENDS ${VORTIQ_MAN_PAGE})
  install(FILES ${VORTIQ_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
    include(${CMAKE_CURRENT_LIST_DIR}/debian.cmake)
  endif()
endif()
install(TARGETS vortiq RUNTIME DESTINATION ${VORTIQ_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${VORTIQ_INSTALL_DOCDIR})
# The .deb states the licence in its copyright file instead.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${VORTIQ_INSTALL_DOCDIR}
        COMPONENT licence)

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME vortiq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VORTIQ")
set(CPACK_PACKAGE_CONTACT "VORTIQ maintainers <maintainers@vortiq.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vortiq.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "declaration headers for PureBasic sources")
set(CPACK_PACKAGE_DESCRIPTION "In PureBasic a procedure can be called before its definition only when a
Declare line announces it. vortiq keeps those lines in step with the code:
given one source file, it writes next to it a header with one Declare line
for every procedure (demo.pb gives demo.pbi), the declarations of each module
in a block that PureBasic compiles only inside that module.

Run it before every compile, for example as a tool of the PureBasic IDE. The
header is replaced atomically; vortiq prints nothing and tells failure by its
exit status.")
set(CPACK_STRIP_FILES ON)
# Chooses per generator what goes in (cpack reads it for each package it makes).
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_project.cmake)
if(NOT WIN32)
  set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/cpack_normalize.cmake)
endif()

if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VORTIQ_PACKAGE_ARCH x86)
  else()
    set(VORTIQ_PACKAGE_ARCH x64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME "vortiq-${PROJECT_VERSION}-windows-${VORTIQ_PACKAGE_ARCH}")
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" VORTIQ_PACKAGE_ARCH)
  set(CPACK_GENERATOR DEB TGZ)
  # The .tar.gz; the .deb is named the Debian way: vortiq_5.72_amd64.deb.
  set(CPACK_PACKAGE_FILE_NAME "vortiq-${PROJECT_VERSION}-${VORTIQ_PACKAGE_ARCH}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  find_program(VORTIQ_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(VORTIQ_STATIC_PROGRAM)
    # Linked statically: the program depends on no other package.
  elseif(VORTIQ_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    # What the program links dynamically, without the versions that
    # dpkg-shlibdeps would work out.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
endif()

include(CPack)
