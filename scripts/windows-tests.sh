#!/usr/bin/env bash
# Cross-builds the 32-bit Windows program with mingw-w64 and runs the unit and
# end-to-end tests under Wine. Where this machine cannot run 32-bit x86 code,
# Wine's 32-bit loader runs under qemu-i386 (registered with binfmt_misc); where
# even that is impossible, the tests run on a 64-bit build under Wine instead.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
jobs="$(nproc)"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  sudo_cmd=""; [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  $sudo_cmd dpkg --add-architecture i386
  $sudo_cmd apt-get update -qq
fi
need_packages g++-mingw-w64-i686-posix wine wine32:i386 python3

export WINEPREFIX="${WINEPREFIX:-$(mktemp -d)/wine}"
export WINEDEBUG=-all

# Can 32-bit x86 Linux programs (Wine's 32-bit loader) run here?
runs_i386() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
if ! runs_i386; then
  need_packages qemu-user-static
  binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/register" ] || mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null || true
  if [ -w "$binfmt/register" ] && [ ! -e "$binfmt/qemu-i386" ]; then
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
      >"$binfmt/register" || true
  fi
fi

echo "== Windows: 32-bit build (mingw-w64)"
cmake --preset mingw-i686 >/dev/null
cmake --build --preset mingw-i686 -j"$jobs"
i686-w64-mingw32-objdump -p build-mingw-i686/vortiq.exe | grep 'Subsystem.*Windows GUI' >/dev/null ||
  { echo "vortiq.exe is not a GUI-subsystem program" >&2; exit 1; }
# The manifest, the version resource and the Windows version it declares; a
# check on this host that needs no Wine, so it runs whatever runs below.
ctest --test-dir build-mingw-i686 -R '^package\.exe_resources$' --output-on-failure --no-tests=error

(cd build-mingw-i686 && cpack >/dev/null)
cmake -E tar tf build-mingw-i686/vortiq-*-windows-x86.zip | grep '/vortiq.exe$' >/dev/null ||
  { echo "the Windows .zip holds no vortiq.exe" >&2; exit 1; }

if runs_i386; then
  echo "== Windows: tests of the 32-bit build under Wine"
  ctest --preset mingw-i686 --timeout 1800
else
  echo "!! This machine runs no 32-bit x86 code, not even through qemu-i386:" >&2
  echo "!! the Windows tests run on a 64-bit build under Wine instead." >&2
  need_packages g++-mingw-w64-x86-64-posix wine64
  cmake --preset mingw-x86_64 >/dev/null
  cmake --build --preset mingw-x86_64 -j"$jobs"
  ctest --preset mingw-x86_64 --timeout 1800
fi
