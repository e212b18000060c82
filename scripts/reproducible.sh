#!/usr/bin/env bash
# Checks that the build is reproducible: builds the committed tree (HEAD) twice,
# each time unpacked into another temporary folder, with another umask and at
# another time, and compares the programs and packages byte for byte. Both
# builds take SOURCE_DATE_EPOCH from the last commit, as a release build should.
#
#   scripts/reproducible.sh            the Linux program, the .deb and the .tar.gz
#   scripts/reproducible.sh --windows  also vortiq.exe and the .zip (mingw-w64)
#
# Prints the start of the SHA-256 of every artefact; fails when any differs, and
# then keeps both builds for a look.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
need_packages "${BUILD_PACKAGES[@]}" git
windows=0
[ "${1:-}" = --windows ] && windows=1
[ $windows -eq 0 ] || need_packages g++-mingw-w64-i686-posix

SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
export SOURCE_DATE_EPOCH
commit="$(git rev-parse --short HEAD)"
work="$(mktemp -d "${TMPDIR:-/tmp}/vortiq-reproducible.XXXXXX")"
# Kept when something differs, for a look at both builds.
trap '[ "${differ:-1}" -eq 0 ] && rm -rf "$work" || echo "both builds are in $work" >&2' EXIT

# build NAME UMASK: the commit unpacked into $work/NAME/source-NAME, built there.
build() {
  local name="$1" mask="$2" top="$work/$1" source="$work/$1/source-$1"
  mkdir -p "$source"
  git archive --format=tar HEAD | tar -x -C "$source"
  (
    umask "$mask"
    cd "$source"
    cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
    cmake --build build -j"$(nproc)" >/dev/null
    (cd build && cpack -G "DEB;TGZ" >/dev/null)
    if [ $windows -eq 1 ]; then
      cmake -S . -B build-mingw -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
      cmake --build build-mingw -j"$(nproc)" >/dev/null
      (cd build-mingw && cpack -G ZIP >/dev/null)
    fi
  )
  mkdir -p "$top/out"
  cp "$source"/build/vortiq "$source"/build/*.deb "$source"/build/*.tar.gz "$top/out/"
  if [ $windows -eq 1 ]; then
    cp "$source"/build-mingw/vortiq.exe "$source"/build-mingw/*.zip "$top/out/"
  fi
}

echo "== Reproducibility of $commit (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH)"
build a 022
build b 002

same=0
differ=0
for file in "$work"/a/out/*; do
  name="$(basename "$file")"
  other="$work/b/out/$name"
  if [ -f "$other" ] && cmp -s "$file" "$other"; then
    same=$((same + 1))
    echo "same      $(sha256sum "$file" | cut -c1-16)  $name"
  else
    differ=$((differ + 1))
    echo "DIFFERENT $name" >&2
  fi
done
[ "$(ls "$work"/a/out | wc -l)" -eq "$(ls "$work"/b/out | wc -l)" ] ||
  { echo "the two builds made different files" >&2; differ=$((differ + 1)); }
echo "reproducible: $same identical, $differ different"
[ "$differ" -eq 0 ]
