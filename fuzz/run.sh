#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang, the fuzz preset) and runs each of them
# in turn for a while, starting from its seed corpus in fuzz/corpus/<harness>.
# New inputs go to build/fuzz/corpus/<harness>, crashes to build/fuzz/artifacts.
#
#   fuzz/run.sh                 every harness for 30 s (the CI step, about 4 minutes)
#   fuzz/run.sh 600             every harness for 10 minutes (the long run)
#   fuzz/run.sh 60 strings raster   the named harnesses only
#
# Prints the executions of each harness; exits non-zero when any harness finds
# a fault (its input is kept in build/fuzz/artifacts for reproduction:
# build/fuzz/bin/fuzz_<harness> <file>).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
harnesses=("$@")
if [[ ${#harnesses[@]} -eq 0 ]]; then
  harnesses=(banks strings files bytecode kxasm raster host)
fi

bash scripts/deps.sh --fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j2 --target "${harnesses[@]/#/fuzz_}" >/dev/null

export KX_BACKEND=headless
failed=0
for h in "${harnesses[@]}"; do
  # Absolute paths: the file harness works in a folder of its own.
  work=$PWD/build/fuzz/corpus/$h
  artifacts=$PWD/build/fuzz/artifacts/$h/
  mkdir -p "$work" "$artifacts"
  log=build/fuzz/$h.log
  status=0
  build/fuzz/bin/fuzz_"$h" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$artifacts" "$work" "$PWD/fuzz/corpus/$h" >"$log" 2>&1 || status=$?
  runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo 0)
  if [[ $status -eq 0 ]]; then
    echo "fuzz_$h: ${runs:-0} executions in ${seconds} s, no findings"
  else
    failed=1
    echo "fuzz_$h: FINDING after ${runs:-?} executions (exit $status); log: $log"
    grep -E 'ERROR|runtime error|SUMMARY|Test unit written' "$log" | head -5 || true
  fi
done
exit $failed
