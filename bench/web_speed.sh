#!/bin/sh
# The web page's speed against native ravlin-headless, in emulated frames
# per second of the KERNAL idling at READY (screen mode 0, Sync 0), wall
# clock, best of a few rounds each.  Builds build-bench/ravlin-headless
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
best=0
for round in 1 2 3; do
  start=$(date +%s.%N)
  (cd "$scratch" && RAVLIN_SETTINGS="$scratch/settings" "$build/ravlin-headless" --frames "$frames" >/dev/null)
  end=$(date +%s.%N)
  rate=$(echo "$frames / ($end - $start)" | bc -l)
  printf 'native round %s: %.0f frames/s\n' "$round" "$rate"
  best=$(echo "if ($rate > $best) $rate else $best" | bc -l)
done
printf 'native best: %.0f\n' "$best"

web=$(RAVLIN_WEB_SCRIPT="$here/bench/web_speed.mjs" "$here/tests/web/run.sh" | tee /dev/stderr | sed -n 's/^web best: //p')
[ -n "$web" ] || { echo "the page did not run" >&2; exit 1; }
printf 'web / native: %.2f\n' "$(echo "$web / $best" | bc -l)"
