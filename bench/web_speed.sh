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
  rate=$(awk -v f="$frames" -v s="$start" -v e="$end" 'BEGIN { printf "%.0f", f / (e - s) }')
  echo "native round $round: $rate frames/s"
  [ "$rate" -gt "$best" ] && best=$rate
done
echo "native best: $best"

RAVLIN_WEB_SCRIPT="$here/bench/web_speed.mjs" "$here/tests/web/run.sh" >"$scratch/web.txt"
cat "$scratch/web.txt"
web=$(sed -n 's/^web best: //p' "$scratch/web.txt")
[ -n "$web" ] || { echo "the page did not run" >&2; exit 1; }
awk -v w="$web" -v n="$best" 'BEGIN { printf "web / native: %.2f\n", w / n }'
