#!/usr/bin/env bash
# Installs the build under a temporary prefix, then checks that other hosts can
# use what is there: the C host of examples/host built with the CMake package
# and with pkg-config, run headless; the installed kxrun and kxasm.
#
#   install_test.sh BUILD_DIR SOURCE_DIR SANITIZE(ON|OFF)
set -euo pipefail
build=$1 source=$2 sanitize=${3:-OFF}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
flags=""
[[ $sanitize == ON ]] && flags="-fsanitize=address,undefined"
fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in lib/KX_VM.so lib/KX_VGFX.so lib/libkx_platform.so include/kx/kx_vm.h \
  include/kx/kx_records.h include/kx/kx_host.h include/kx/kx_vgfx.h bin/kxrun bin/kxasm \
  lib/cmake/KXRuntime/KXRuntimeConfig.cmake lib/pkgconfig/kx_runtime.pc; do
  [[ -e $prefix/$f ]] || fail "$f is not installed"
done

# The C host through find_package(KXRuntime).
cmake -S "$source/examples/host" -B "$prefix/host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$prefix/host" >/dev/null
out=$("$prefix/host/kx_host" --backend headless --frames 30 --png "$prefix/frame.png")
[[ $out == "kx_host: 30 frames" ]] || fail "kx_host said '$out'"
[[ -s $prefix/frame.png ]] || fail "kx_host wrote no frame"

# The same host through pkg-config.
cc -std=c11 -Wall -Wextra -Werror $flags -o "$prefix/host_pc" "$source/examples/host/host.c" \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs kx_runtime)
out=$("$prefix/host_pc" --backend headless --frames 3)
[[ $out == "kx_host: 3 frames" ]] || fail "kx_host (pkg-config) said '$out'"

# The installed tools: kxasm assembles, kxrun finds the runtime in the library folder.
"$prefix/bin/kxasm" -o "$prefix/tilemap.kxb" "$source/examples/tilemap.kxa"
cp -r "$source/examples/assets" "$prefix/"
"$prefix/bin/kxrun" --backend headless --frames 2 --capture "$prefix/frames" "$prefix/tilemap.kxb"
[[ -s $prefix/frames/frame_000002.png ]] || fail "the installed kxrun saved no frame"
echo "install test: passed"
