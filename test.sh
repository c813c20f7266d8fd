#!/usr/bin/env bash
# Builds everything and runs every test suite. With --asan, the same suites
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
preset=default
[[ "${1:-}" == "--asan" ]] && preset=asan
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j"$(nproc)"
ctest --preset "$preset" -j"$(nproc)"
