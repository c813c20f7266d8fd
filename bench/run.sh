#!/usr/bin/env bash
# Builds and runs the benchmarks (installs Lua 5.4 and LuaJIT for the comparisons).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" >/dev/null
./build/default/bin/vm_bench "$@"
