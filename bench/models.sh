#!/bin/sh
# The two models side by side: the measured TED (Accuracy=1) and the older
# model (Accuracy=0) on the same workloads, in turn (1 0 1 0 ...), as whole
# ravlin-headless processes run unpaced.  Prints each run's user time and
# frames per second, and per workload the median ratio of the measured
# model's frames per second to the older one's, pair by pair.
#   bench/models.sh [ROUNDS] [FRAMES]     (default 5 rounds of 15000 frames)
# ROMs come from $RAVLIN_ROM_DIR, else ../shared/roms beside the repository.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build-bench"
roms=$(cd "${RAVLIN_ROM_DIR:-$here/../shared/roms}" && pwd)
rounds=${1:-5}
frames=${2:-15000}
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF -DRAVLIN_WITH_SDL=OFF >/dev/null
cmake --build "$build" -j2 --target ravlin-headless >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$roms"/basic.bin "$roms"/kernal.bin "$work"/
(cd "$work" && cl65 -t plus4 -u __EXEHDR__ -o line_colours.prg "$here/bench/line_colours.s" 2>/dev/null)
for a in 0 1; do
    printf 'ScreenMode=2\nSync=0\nSoundEmulation=0\nAccuracy=%s\n' "$a" > "$work/settings$a"
done
cd "$work"

run() {   # accuracy workload -> user seconds
    case "$2" in
    idle) set -- "$1" ;;
    bitmap) set -- "$1" --type "GRAPHIC 1,1:CIRCLE 1,160,100,80,60
" ;;
    lines) set -- "$1" --load line_colours.prg --run ;;
    esac
    accuracy=$1
    shift
    RAVLIN_SETTINGS="$work/settings$accuracy" /usr/bin/time -f %U -o "$work/time" \
        "$build/ravlin-headless" --frames "$frames" "$@" >/dev/null
    cat "$work/time"
}

for w in idle bitmap lines; do
    ratios=""
    i=0
    while [ $i -lt "$rounds" ]; do
        measured=$(run 1 $w)
        older=$(run 0 $w)
        echo "$w round $i: measured ${measured}s ($(echo "$frames / $measured" | bc) frames/s), older ${older}s ($(echo "$frames / $older" | bc) frames/s)"
        ratios="$ratios $(echo "scale=4; $older / $measured" | bc)"
        i=$((i + 1))
    done
    median=$(echo $ratios | tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
    echo "$w: measured / older frames per second, median of $rounds pairs: $median"
done
