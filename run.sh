#!/usr/bin/env bash
# The main job: builds the runtime and the reference host, then runs an example
# program with kxrun (examples/primes.kxa unless a program is given).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kxrun kxasm >/dev/null
if [[ $# -eq 0 ]]; then
  set -- --stats examples/primes.kxa
fi
exec ./build/default/bin/kxrun "$@"
