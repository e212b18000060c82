# What an installation of vortiq holds, and the packages CPack makes of it: a
# .deb and a .tar.gz on Linux, a .zip for Windows. Every version in them is the
# project() version, which also gives the banner of every header its "V5.72".
include(GNUInstallDirs)

if(WIN32)
  # A portable folder: vortiq.exe and the documents side by side.
  set(VORTIQ_INSTALL_BINDIR .)
  set(VORTIQ_INSTALL_DOCDIR .)
else()
  set(VORTIQ_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR})
  set(VORTIQ_INSTALL_DOCDIR ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/doc/vortiq.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()
install(TARGETS vortiq RUNTIME DESTINATION ${VORTIQ_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
        DESTINATION ${VORTIQ_INSTALL_DOCDIR})

set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME vortiq)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "VORTIQ")
set(CPACK_PACKAGE_CONTACT "VORTIQ maintainers <maintainers@vortiq.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vortiq.org")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION "vortiq reads one PureBasic source file (.pb or .sb) and writes next to it
a header (.pbi or .sbi) with one Declare line for every procedure, the
declarations of each module in a block of their own. The header is replaced
atomically; the tool prints nothing and reports failure by its exit status.")
set(CPACK_STRIP_FILES ON)

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
  if(VORTIQ_DPKG_SHLIBDEPS)
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  else()
    # What the program links dynamically, without the versions that
    # dpkg-shlibdeps would work out.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6")
  endif()
endif()

include(CPack)
