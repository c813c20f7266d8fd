#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when they are
# missing. Run as root it installs them with apt-get; otherwise it names them.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev libmimalloc-dev
  libfreetype-dev libfontconfig-dev fonts-dejavu-core libsdl2-dev libx11-dev libpng-dev xvfb xauth)
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(lua5.4 luajit libsdl2-gfx-dev libpixman-1-dev)
fi
# The fuzzing build (fuzz/run.sh): clang with its libFuzzer and sanitizer runtimes.
if [[ "${1:-}" == "--fuzz" ]]; then
  packages+=(clang)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -ne 0 ]]; then
  echo "missing packages: ${missing[*]} (install them with apt-get as root)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
