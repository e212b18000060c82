#!/bin/sh
# Runs a 64-bit ARM Linux program under qemu-aarch64 for the tests, with the
# cross toolchain's C and C++ libraries (Debian's libc6-arm64-cross and
# libstdc++6-arm64-cross) in place of the target's. The variable is passed on,
# so programs the tests start through binfmt_misc find them too.
set -e
: "${QEMU_LD_PREFIX:=/usr/aarch64-linux-gnu}"
export QEMU_LD_PREFIX
exec qemu-aarch64-static "$@"
