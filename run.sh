#!/usr/bin/env bash
# The main job: builds the runtime and runs a bytecode program through a host
# that loads KX_VM.so by name.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" >/dev/null
./build/default/bin/kxdemo "$@"
