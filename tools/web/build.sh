#!/bin/sh
# Builds the web page into build-web/web/: index.html, ravlin_page.js,
# ravlin.js and ravlin.wasm.  Needs Debian's emscripten (emcc); the system
# libraries come from its own prebuilt cache.
#   tools/web/build.sh            the page
#   RAVLIN_WEB_JOBS=N             compile N files at a time (default: all cores)
set -eu
cd "$(dirname "$0")/../.."
out=build-web
objects=$out/obj
mkdir -p "$objects" "$out/web"

# Debian's emscripten runs its JavaScript tools with the system's node; a
# node that is not Debian's does not look in Debian's module folder, where
# the tools' acorn lives.
export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"

# Bulk memory: memcpy and memset as single instructions (the frame copy,
# the renderer's fills).
flags="-std=c++20 -O3 -Wall -Wextra -fno-exceptions -mbulk-memory -Isrc"
sources=$(ls src/machine/*.cpp src/ted/*.cpp src/sound/*.cpp src/input/*.cpp \
             src/platform/*.cpp src/platform/mixer_buffers/*.cpp src/platform/screen_surface/*.cpp src/platform/web/*.cpp src/ui/*.cpp src/files/*.cpp \
             src/debugger/*.cpp src/drive/*.cpp src/serial/*.cpp src/tape/*.cpp src/cartridge/*.cpp tools/web/*.cpp)

# The open boot ROM, assembled with ca65/ld65 into a C++ array when any of
# its sources is newer than the array.
rom_image=$out/rom/open_rom_image.cpp
if [ ! -f "$rom_image" ] || [ -n "$(find rom -newer "$rom_image" -type f | head -n 1)" ]; then
  echo "  assembling the open boot ROM"
  sh rom/assemble.sh "$out/rom"
fi
sources="$sources $rom_image"

# RavlinVersion from the project line of CMakeLists.txt, as the CMake build
# makes it; the file is rewritten only when the version changes.
version=$(sed -n 's/^project(ravlin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version on the project line of CMakeLists.txt" >&2; exit 1; }
version_source=$out/version/version.cpp
mkdir -p "$out/version"
printf '#include "machine/version.h"\nconst char RavlinVersion[] = "%s";\n' "$version" > "$version_source.new"
if cmp -s "$version_source.new" "$version_source"; then rm "$version_source.new"; else mv "$version_source.new" "$version_source"; fi
sources="$sources $version_source"

# One object per source, rebuilt when the source or any header is newer.
newest_header=$(ls -t $(find src tools/web -name '*.h') | head -n 1)
for source in $sources; do
  object=$objects/$(echo "$source" | tr '/' '_' | sed 's/\.cpp$/.o/')
  if [ ! -f "$object" ] || [ "$source" -nt "$object" ] || [ "$newest_header" -nt "$object" ]; then
    echo "$source $object"
  fi
done | xargs -r -P "${RAVLIN_WEB_JOBS:-$(nproc)}" -n 2 sh -c 'echo "  em++ $0" && em++ '"$flags"' -c "$0" -o "$1"'

# ASYNCIFY lets the waits inside the menus and the debugger (vertical
# blank, key polling) hand the thread to the browser and carry on later.
# Only functions that can reach a wait by direct calls are rewritten (the
# processor's dispatch through its table never waits, so indirect calls are
# left alone).  The fast slice and RunMainLoop are kept as compiled, for
# speed: the page's program lets nothing wait while they run (their frame
# ends return at once and the requests go to the careful slice).
em++ $flags -o "$out/web/ravlin.js" $objects/*.o \
  -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sFORCE_FILESYSTEM=1 \
  -sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sASYNCIFY_STACK_SIZE=65536 ${RAVLIN_WEB_ASYNCIFY_ADVISE:+-sASYNCIFY_ADVISE=1} \
  -sASYNCIFY_REMOVE=RavlinWebSlice \
  -sEXPORTED_FUNCTIONS=_main,_malloc,_free,_RavlinWebStart,_RavlinWebSlice,_RavlinWebCarefulSlice,_RavlinWebOpenFile,_RavlinWebFrames,_RavlinWebKey,_RavlinWebBlur,_RavlinWebGamepad,_RavlinWebRenderAudio,_RavlinWebPaste \
  -sEXPORTED_RUNTIME_METHODS=FS,ENV,HEAPU8,HEAP16,stringToUTF8,lengthBytesUTF8

cp tools/web/index.html tools/web/ravlin_page.js "$out/web/"
echo "built $out/web"
