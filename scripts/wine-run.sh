#!/bin/sh
# Runs a Windows program under Wine for the tests: quiet, in a prefix of its own
# under a temporary folder (WINEPREFIX, made on first use), with the program's
# exit status passed through.
set -e
: "${WINEPREFIX:=${TMPDIR:-/tmp}/vortiq-wine}"
export WINEPREFIX
export WINEDEBUG=-all
# Where the kernel cannot run 32-bit x86 code, Wine's 32-bit loader runs under
# qemu-i386; a guest address space just above 2 GiB keeps its start-up fast.
: "${QEMU_RESERVED_VA:=0x81000000}"
export QEMU_RESERVED_VA
case "$(od -An -tx2 -j"$(( $(od -An -tu4 -j60 -N4 "$1") + 4 ))" -N2 "$1" | tr -d ' ')" in
  8664) wine=/usr/lib/wine/wine64 ;;  # x86-64 program
  *) wine=wine ;;
esac
[ -x "$wine" ] || wine=wine
exec "$wine" "$@"
