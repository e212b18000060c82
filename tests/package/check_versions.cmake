# Checks that the manual page, the README and the CHANGELOG show the project
# version and no other: the manual page's title line, every banner example
# (";- VORTIQ V5.72 [...]") and the newest release in the CHANGELOG.
# Usage: cmake -DVERSION=5.72 -DSOURCE_DIR=<source tree> -P check_versions.cmake
set(errors "")
string(REPLACE "." "\\." version_pattern "${VERSION}")

file(STRINGS ${SOURCE_DIR}/doc/vortiq.1 title REGEX "^\\.TH ")
if(NOT title MATCHES "\"vortiq ${version_pattern}\"")
  string(APPEND errors "doc/vortiq.1: title line '${title}' does not name vortiq ${VERSION}\n")
endif()

foreach(document doc/vortiq.1 README.md)
  file(STRINGS ${SOURCE_DIR}/${document} banners REGEX "VORTIQ V[0-9]")
  if(NOT banners)
    string(APPEND errors "${document}: no banner line\n")
  endif()
  foreach(banner IN LISTS banners)
    string(REGEX MATCH "VORTIQ V([0-9]+(\\.[0-9]+)*)" shown "${banner}")
    if(NOT CMAKE_MATCH_1 STREQUAL VERSION)
      string(APPEND errors "${document}: '${banner}' shows V${CMAKE_MATCH_1}, not V${VERSION}\n")
    endif()
  endforeach()
endforeach()

file(STRINGS ${SOURCE_DIR}/CHANGELOG.md releases REGEX "^## \\[[0-9]")
list(GET releases 0 newest)  # an empty list fails here, which is right
if(NOT newest MATCHES "^## \\[${version_pattern}\\]")
  string(APPEND errors "CHANGELOG.md: newest release '${newest}' is not ${VERSION}\n")
endif()

if(errors)
  message(FATAL_ERROR "Versions differ from the project version ${VERSION}:\n${errors}")
endif()
