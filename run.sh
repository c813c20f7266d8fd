#!/usr/bin/env bash
# The main job: builds the runtime and the reference host, then runs the sprites
# demo (examples/sprites.kxa): in an SDL2 window when a display is there,
# otherwise headless for 300 frames, saving every 60th frame as a PNG file in
# build/frames/sprites (printed at the end). `./run.sh PROGRAM [kxrun options]`
# runs another program with kxrun instead (options first: `./run.sh --stats x.kxa`).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" --target kxrun kxasm >/dev/null
kxrun=./build/default/bin/kxrun
if [[ $# -gt 0 ]]; then
  exec "$kxrun" "$@"
fi

demo=examples/sprites.kxa
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run.sh: $demo in a window (arrows move, Space fires, Escape or the close button quits)"
  status=0
  "$kxrun" --backend sdl --stats "$demo" || status=$?
  # 124: the window could not be opened (kxrun said why); run headless instead.
  [[ $status -ne 124 ]] && exit "$status"
  echo "run.sh: no window could be opened; running headless instead"
fi
frames=build/frames/sprites
rm -rf "$frames"
"$kxrun" --backend headless --frames 300 --seed 2 --capture "$frames" --capture-every 60 \
  --stats "$demo"
echo "run.sh: 300 frames of $demo ran headless; every 60th frame is in $(pwd)/$frames:"
ls "$frames"
