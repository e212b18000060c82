# Read by cpack for each package it makes, with CPACK_GENERATOR naming it. The
# .deb takes the files every installation has and the Debian ones (copyright,
# changelog, lintian's overrides), without LICENSE, whose text its copyright
# file holds; the archives take everything a plain installation takes.
if(CPACK_GENERATOR STREQUAL "DEB")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build_dir)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${build_dir};vortiq;Unspecified;/" "${build_dir};vortiq;debian;/")
endif()
