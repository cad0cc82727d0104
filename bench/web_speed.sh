#!/bin/sh
# The web page's speed against native ravlin-headless, in emulated frames
# per second of the KERNAL idling at READY (screen mode 0, Sync 0), wall
# clock, five rounds in which the two take turns (bench/web_speed.mjs).  Builds build-bench/ravlin-headless
# (Release) and the page (tools/web/build.sh); ROMs from $RAVLIN_ROM_DIR,
# else ../shared/roms beside the repository.
#   bench/web_speed.sh [NATIVE_FRAMES]     (default 20000)
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
roms=${RAVLIN_ROM_DIR:-$here/../shared/roms}
roms=$(cd "$roms" && pwd)
frames=${1:-20000}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF -DRAVLIN_WITH_SDL=OFF >/dev/null
cmake --build "$build" -j2 --target ravlin-headless >/dev/null
"$here/tools/web/build.sh" >/dev/null

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
cp "$roms/basic.bin" "$roms/kernal.bin" "$scratch/"
printf 'Sync=0\nScreenMode=0\n' >"$scratch/settings"
RAVLIN_BENCH_NATIVE="$build/ravlin-headless" RAVLIN_BENCH_DIR="$scratch" RAVLIN_BENCH_FRAMES="$frames" \
  RAVLIN_WEB_SCRIPT="$here/bench/web_speed.mjs" "$here/tests/web/run.sh"
