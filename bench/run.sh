#!/bin/sh
# The benchmark table: builds a release build in build-bench/ (beside the
# sources), compiles the 6502 workloads with cl65, and runs bench_suite.
#   bench/run.sh [RUNS] [FRAMES]      (default 5 rounds of 2000 frames)
# ROMs come from $RAVLIN_ROM_DIR, else ../shared/roms beside the repository.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
roms=${RAVLIN_ROM_DIR:-$here/../shared/roms}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF -DRAVLIN_WITH_SDL=OFF >/dev/null
cmake --build "$build" -j2 --target bench_suite ravlin-headless run6502 >/dev/null
cl65 -t plus4 -O -o "$build/screen_work.prg" "$here/bench/screen_work.c"
cl65 -t sim6502 -O -C "$here/bench/sim6502_low.cfg" -o "$build/cpu_work.sim" "$here/bench/cpu_work.c"
rm -f "$build"/*.o "$here"/bench/*.o
exec "$build/bench_suite" "$build" "$(cd "$roms" && pwd)" "${1:-5}" "${2:-2000}"
