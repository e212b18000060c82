#!/bin/sh
# Builds the .deb and the .tar.gz with cpack into a temporary folder, unpacks the
# .deb into a temporary root and runs the vortiq it installs on the shipped
# example. Checks the package's fields, its files (the licence, the Debian
# copyright and changelog, the compressed manual page), that a static program
# needs no library, and the header byte for byte (the time stamp aside), whose
# banner must show the package's version.
# Usage: deb_test.sh CPACK CPACK_CONFIG SOURCE_DIR VERSION STATIC (ON or OFF)
set -eu
cpack=$1 config=$2 source_dir=$3 version=$4 static=$5

tmp=$(mktemp -d "${TMPDIR:-/tmp}/vortiq-package.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

if ! "$cpack" -G "DEB;TGZ" --config "$config" -B "$tmp/out" >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log" >&2
  fail "cpack could not build the packages"
fi

# The .deb: named the Debian way, with the project's version and fields.
set -- "$tmp"/out/*.deb
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .deb, found: $*"
deb=$1
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = vortiq ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Section)" = devel ] || fail "Section is '$(field Section)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
if [ "$static" = ON ]; then
  [ -z "$(field Depends)" ] || fail "a static program with Depends '$(field Depends)'"
else
  field Depends | grep -q '\<libc6\>' || fail "Depends '$(field Depends)' lacks libc6"
fi
field Description | grep -q PureBasic || fail "Description is not vortiq's: $(field Description)"
[ "$(basename "$deb")" = "vortiq_${version}_$(field Architecture).deb" ] ||
  fail "file name $(basename "$deb")"

root="$tmp/root"
dpkg-deb -x "$deb" "$root"
vortiq="$root/usr/bin/vortiq"
[ -x "$vortiq" ] || fail "no executable usr/bin/vortiq in the .deb"
if [ "$static" = ON ]; then
  # No interpreter and no library to load: nothing but the kernel runs it.
  readelf -lW "$vortiq" | grep -q 'INTERP' && fail "usr/bin/vortiq names an interpreter"
  readelf -dW "$vortiq" | grep -q '(NEEDED)' && fail "usr/bin/vortiq needs libraries"
fi
# The manual page compressed without name or time stamp (gzip -9n).
page="$root/usr/share/man/man1/vortiq.1.gz"
gzip -dc "$page" | cmp -s - "$source_dir/doc/vortiq.1" ||
  fail "usr/share/man/man1/vortiq.1.gz missing or not doc/vortiq.1"
[ "$(od -An -tx1 -j3 -N5 "$page" | tr -d ' ')" = 0000000000 ] ||
  fail "vortiq.1.gz keeps a file name or a time stamp"
doc="$root/usr/share/doc/vortiq"
for document in README.md CHANGELOG.md copyright changelog.gz; do
  [ -f "$doc/$document" ] || fail "usr/share/doc/vortiq/$document missing"
done
[ ! -e "$doc/LICENSE" ] || fail "the .deb holds LICENSE beside its copyright file"
# The copyright file in Debian's machine-readable format, its licence text that
# of LICENSE from the permission notice on.
head -n 1 "$doc/copyright" |
  grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
  fail "copyright is not in the machine-readable format"
grep -qx 'License: Expat' "$doc/copyright" || fail "copyright names no Expat (MIT) licence"
sed -n '/^License: Expat$/,$p' "$doc/copyright" | sed '1d; s/^ //; s/^\.$//' >"$tmp/licence"
sed -n '/^Permission is hereby granted/,$p' "$source_dir/LICENSE" | cmp -s - "$tmp/licence" ||
  fail "the licence in copyright is not that of LICENSE: $(cat "$tmp/licence")"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^vortiq ($version) " ||
  fail "changelog.gz does not begin with version $version"

# The installed program on the example: exit status 0, silent, the exact header.
mkdir "$tmp/work"
cp "$source_dir/examples/demo.pb" "$tmp/work/demo.pb"
status=0
"$vortiq" "$tmp/work/demo.pb" >"$tmp/stdout" 2>"$tmp/stderr" || status=$?
[ "$status" -eq 0 ] || fail "exit status $status"
[ ! -s "$tmp/stdout" ] && [ ! -s "$tmp/stderr" ] || fail "the program printed something"
header="$tmp/work/demo.pbi"
[ -f "$header" ] || fail "no demo.pbi written"
printf ';- VORTIQ V%s [https://vortiq.org]\r\n' "$version" >"$tmp/expected"
printf '\r\nCompilerIf #PB_Compiler_Module = ""\r\nDeclare.i Add(a.i, b.i)\r\n' >>"$tmp/expected"
printf 'CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = "Shapes"\r\nDeclare Draw()\r\n' >>"$tmp/expected"
printf 'CompilerEndIf\r\nCompilerIf #PB_Compiler_Module = ""\r\nCompilerEndIf' >>"$tmp/expected"
sed 2d "$header" >"$tmp/without_time"
cmp -s "$tmp/without_time" "$tmp/expected" || fail "demo.pbi differs: $(od -c "$header")"
stamp=$(sed -n 2p "$header")
printf "%s\n" "$stamp" | grep -Eq \
  "^;- 'demo\.pb' header, generated at [0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{2}\.[0-9]{2}\.[0-9]{4}\.$(printf '\r')\$" ||
  fail "time stamp line: $stamp"

# The .tar.gz: version and architecture in its name, the same files under one folder.
set -- "$tmp"/out/*.tar.gz
[ $# -eq 1 ] && [ -f "$1" ] || fail "expected one .tar.gz, found: $*"
folder=$(basename "$1" .tar.gz)
case "$folder" in
  "vortiq-$version-linux-"?*) ;;
  *) fail "file name $(basename "$1")" ;;
esac
tar -tzf "$1" >"$tmp/listing"
LC_ALL=C sort -c "$tmp/listing" || fail "the members of $(basename "$1") are not sorted by name"
for file in bin/vortiq share/man/man1/vortiq.1.gz share/doc/vortiq/README.md \
  share/doc/vortiq/LICENSE; do
  grep -qx "$folder/$file" "$tmp/listing" || fail "$file missing from $(basename "$1")"
done
