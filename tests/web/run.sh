#!/bin/sh
# The web page's tests: builds nothing (run tools/web/build.sh first),
# serves build-web/web with the ROM images and a compiled test program from
# a scratch directory on 127.0.0.1, and drives it in headless Chromium.
# Without the ROM images only the open boot ROM's test runs (with a message
# saying so).
set -eu
repo=$(cd "$(dirname "$0")/../.." && pwd)
roms=${RAVLIN_ROM_DIR:-$repo/../shared/roms}
case $roms in /*) ;; *) roms=$repo/$roms ;; esac
only=""
if [ ! -f "$roms/basic.bin" ] || [ ! -f "$roms/kernal.bin" ]; then
  echo "web page tests with the ROM images skipped: none in $roms (set RAVLIN_ROM_DIR); the open ROM's test runs"
  only="open ROM"
fi
[ -f "$repo/build-web/web/ravlin.wasm" ] || { echo "no build-web/web: run tools/web/build.sh" >&2; exit 1; }

scratch=$(mktemp -d)
server=""
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT INT TERM

# The page never contains the ROM images: they are copied into the served
# scratch directory for the test only.
cp -r "$repo/build-web/web" "$scratch/site"
if [ -z "$only" ]; then
  mkdir "$scratch/site/roms"
  cp "$roms/basic.bin" "$roms/kernal.bin" "$scratch/site/roms/"
fi
cl65 -t plus4 -O -o "$scratch/site/hello.prg" "$repo/tests/web/hello_web.c" 2>&1
rm -f "$repo/tests/web/hello_web.o"
# Files that must not start: a snapshot and a disk image cut short, a
# program without even its load address.
head -c 100 /dev/zero >"$scratch/site/short.fre"
head -c 100 /dev/zero >"$scratch/site/short.d64"
: >"$scratch/site/empty.prg"
# A program one byte too long for memory: 61,440 bytes from 0x1001.
{ printf '\001\020'; head -c 61440 /dev/zero; } >"$scratch/site/long.prg"
printf 'C16-TAPE-RAW\002\002\000\000\000\000\000\000' >"$scratch/site/blank.tap"

cd "$repo/tests/web"
[ -d node_modules/puppeteer-core ] || npm ci --no-audit --no-fund --silent

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()')
python3 -m http.server --bind 127.0.0.1 --directory "$scratch/site" "$port" >"$scratch/server.log" 2>&1 &
server=$!
RAVLIN_WEB_URL="http://127.0.0.1:$port/" RAVLIN_WEB_SITE="$scratch/site" RAVLIN_WEB_DOWNLOADS="$scratch/downloads" \
  RAVLIN_WEB_ROMS="$roms" \
  node "${RAVLIN_WEB_SCRIPT:-web_page_test.mjs}" ${only:+"$only"} "$@"
