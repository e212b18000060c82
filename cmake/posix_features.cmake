# Calls of the POSIX layer that only some systems have: each is tried by
# compiling a use of it, never assumed from the system's name. With
# VORTIQ_OPTIONAL_POSIX_CALLS=OFF none is used, so a Linux build runs the plain
# POSIX code that systems without them (macOS, the BSDs) get.
option(VORTIQ_OPTIONAL_POSIX_CALLS
       "Use what the build finds beyond plain POSIX (O_PATH, MADV_HUGEPAGE, F_SETLEASE, st_mtim, extended attributes)"
       ON)
include(CheckCXXSourceCompiles)

check_cxx_source_compiles("
#include <fcntl.h>
int main() { return openat(AT_FDCWD, \".\", O_PATH | O_DIRECTORY); }" VORTIQ_FOUND_O_PATH)
check_cxx_source_compiles("
#include <sys/mman.h>
int main() { return madvise(nullptr, 0, MADV_HUGEPAGE); }" VORTIQ_FOUND_MADV_HUGEPAGE)
check_cxx_source_compiles("
#include <sys/stat.h>
int main() { struct stat info {}; return static_cast<int>(info.st_mtim.tv_nsec); }" VORTIQ_FOUND_ST_MTIM)
check_cxx_source_compiles("
#include <fcntl.h>
int main() { return fcntl(0, F_SETLEASE, F_RDLCK) + fcntl(0, F_SETLEASE, F_UNLCK); }" VORTIQ_FOUND_F_SETLEASE)
# The Linux form of the calls (macOS has calls of the same names that take one
# more argument, which this does not compile with).
check_cxx_source_compiles("
#include <sys/types.h>
#include <sys/xattr.h>
int main() {
  char text[8] = {};
  return static_cast<int>(flistxattr(0, text, sizeof text) + fgetxattr(0, text, text, sizeof text) +
                          fsetxattr(0, text, text, 1, 0));
}" VORTIQ_FOUND_XATTR)

foreach(feature O_PATH MADV_HUGEPAGE F_SETLEASE ST_MTIM XATTR)
  if(VORTIQ_OPTIONAL_POSIX_CALLS AND VORTIQ_FOUND_${feature})
    set(VORTIQ_HAVE_${feature} 1)
  else()
    set(VORTIQ_HAVE_${feature} 0)
  endif()
endforeach()
message(STATUS "Beyond plain POSIX: O_PATH ${VORTIQ_HAVE_O_PATH}, huge pages "
               "${VORTIQ_HAVE_MADV_HUGEPAGE}, leases ${VORTIQ_HAVE_F_SETLEASE}, st_mtim ${VORTIQ_HAVE_ST_MTIM}, "
               "extended attributes ${VORTIQ_HAVE_XATTR}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/posix_features.h.in
               ${CMAKE_BINARY_DIR}/generated/posix_features.h @ONLY)
