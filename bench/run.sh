#!/usr/bin/env bash
# Builds and runs the benchmarks (installs Lua 5.4, LuaJIT, SDL2, SDL2_gfx and pixman
# for the comparisons). With arguments, runs only the named benchmarks, e.g.
# bench/run.sh vm_bench strings_bench.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --bench
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" >/dev/null
benches=("$@")
if [[ ${#benches[@]} -eq 0 ]]; then
  benches=(vm_bench memory_bench strings_bench files_bench vgfx_bench draw_bench platform_bench host_bench)
fi
for b in "${benches[@]}"; do
  [[ -x build/default/bin/$b ]] || continue
  echo "== $b"
  ./build/default/bin/"$b" --benchmark_color=false
done
