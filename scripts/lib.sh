# Shared by the scripts: installing missing Debian packages.

# need_packages PACKAGE... installs the packages that are not installed yet.
need_packages() {
  local missing=()
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

BUILD_PACKAGES=(g++ cmake make libgtest-dev groff-base)  # groff: the manual page check
# The .deb's checks: lintian, and man for reading the page it installs.
PACKAGE_CHECK_PACKAGES=(lintian man-db)
# libFuzzer and the sanitizer runtimes come with clang 14 and its runtime libraries.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
