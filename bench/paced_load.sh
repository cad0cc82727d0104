#!/bin/sh
# Host processor time of `ravlin` running paced (Sync 2, or the Sync value
# given) on a virtual X display for a number of seconds of real time:
#   bench/paced_load.sh [SECONDS] [SYNC] [RAVLIN]
# Prints the process's user and system time and their share of one core,
# then the same for each of its threads (Mesa's llvmpipe threads show there
# when SDL draws through software OpenGL).
# Needs Xvfb; sound goes to SDL's dummy driver.  ravlin runs in a temporary
# directory holding links to the ROM images, so its Ravlin.log lands there.
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
sync=${2:-2}
ravlin=$(realpath "${3:-$here/build-bench-sdl/ravlin}")
roms=$(cd "${RAVLIN_ROM_DIR:-$here/../shared/roms}" && pwd)
if [ ! -x "$ravlin" ]; then
    cmake -S "$here" -B "$here/build-bench-sdl" -DCMAKE_BUILD_TYPE=Release -DRAVLIN_TESTS=OFF >/dev/null
    cmake --build "$here/build-bench-sdl" -j2 --target ravlin >/dev/null
fi
work=$(mktemp -d)
emulator=; server=
# ravlin ends before its X server does (and is killed if it will not), and
# an interrupted run cleans up too.
finish() {
    set +e
    if [ -n "$emulator" ]; then
        kill "$emulator" 2>/dev/null
        for i in 1 2 3 4 5 6 7 8 9 10; do kill -0 "$emulator" 2>/dev/null || break; sleep 0.2; done
        kill -9 "$emulator" 2>/dev/null
    fi
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM HUP PIPE
printf 'Sync=%s\nWindowed=1\nScreenMode=2\n' "$sync" > "$work/settings"
display=:$((90 + $$ % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
server=$!
sleep 2
for rom in basic.bin kernal.bin 3plus1lo.rom 3plus1hi.rom; do
    ln -s "$roms/$rom" "$work/$rom"
done
cd "$work"
DISPLAY=$display RAVLIN_SETTINGS=$work/settings SDL_AUDIODRIVER=dummy "$ravlin" >"$work/log" 2>&1 &
emulator=$!
sleep "$seconds"
if [ ! -e /proc/$emulator/stat ]; then echo "ravlin ended early:"; cat "$work/log"; exit 1; fi
ticks=$(getconf CLK_TCK)
# Fields 14 and 15 of /proc/PID/stat: user and system time in clock ticks.
set -- $(sed 's/^.*) //' /proc/$emulator/stat)
user=${12}; system=${13}
echo "ravlin, Sync $sync, $seconds s: user $(echo "scale=2; $user / $ticks" | bc) s," \
     "system $(echo "scale=2; $system / $ticks" | bc) s," \
     "$(echo "scale=1; 100 * ($user + $system) / $ticks / $seconds" | bc) % of one core"
for task in /proc/$emulator/task/*; do
    name=$(cat "$task/comm")
    set -- $(sed 's/^.*) //' "$task/stat")
    echo "  thread ${task##*/} $name: $(echo "scale=1; 100 * (${12} + ${13}) / $ticks / $seconds" | bc) %"
done
