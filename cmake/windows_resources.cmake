# What Windows reads from vortiq.exe: the manifest (src/vortiq.manifest) and the
# version resource, made from the project's version and description and the
# copyright line of LICENSE; and the Windows version the program declares.
enable_language(RC)
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE VORTIQ_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT VORTIQ_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no copyright line")
endif()
set(VORTIQ_MANIFEST ${PROJECT_SOURCE_DIR}/src/vortiq.manifest)
configure_file(${PROJECT_SOURCE_DIR}/src/vortiq.rc.in ${PROJECT_BINARY_DIR}/generated/vortiq.rc
               @ONLY)
target_sources(vortiq PRIVATE ${PROJECT_BINARY_DIR}/generated/vortiq.rc)
set_source_files_properties(${PROJECT_BINARY_DIR}/generated/vortiq.rc PROPERTIES
                            OBJECT_DEPENDS ${VORTIQ_MANIFEST})
# The program calls functions that came with Windows Vista (6.0), such as
# GetFileInformationByHandleEx: it says so, and an older Windows refuses it
# with an exit status instead of a loader dialog.
target_link_options(vortiq PRIVATE
  -Wl,--major-subsystem-version,6,--minor-subsystem-version,0
  -Wl,--major-os-version,6,--minor-os-version,0)
