#!/bin/bash
# Installs the build into a scratch prefix and checks every installed file
# with the desktop's own tools, then builds the Debian package and installs
# and removes it in a scratch root.
#   install_test.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for tool in cmake:cmake cpack:cmake man:man-db desktop-file-validate:desktop-file-utils \
            update-desktop-database:desktop-file-utils xmllint:libxml2-utils \
            update-mime-database:shared-mime-info gio:libglib2.0-bin dpkg-deb:dpkg \
            dpkg-shlibdeps:dpkg-dev; do
  if ! command -v "${tool%%:*}" > /dev/null; then
    echo "FAIL: ${tool%%:*} is missing (Debian package ${tool#*:})" >&2
    exit 1
  fi
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
mkdir -p "$scratch/home"
# The desktop's look-ups see the scratch prefix and nothing of this user's.
export XDG_DATA_HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home XDG_DATA_DIRS=$prefix/share

if ! cmake --install "$build" --prefix "$prefix" > "$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  fail "cmake --install"
  exit 1
fi

programs="ravlin ravlin-headless run6502"
installed="share/applications/ravlin.desktop share/mime/packages/ravlin.xml
           share/icons/hicolor/scalable/apps/ravlin.svg"
for program in $programs; do
  installed="$installed bin/$program share/man/man1/$program.1"
done
for size in 16 32 48 64 128 256; do
  installed="$installed share/icons/hicolor/${size}x${size}/apps/ravlin.png"
done
for file in $installed; do
  [ -f "$prefix/$file" ] || fail "$file is not installed"
done

for program in $programs; do
  said=$("$prefix/bin/$program" --version)
  code=$?
  [ "$code" = 0 ] && [ "$said" = "$program $version" ] ||
    fail "$program --version said '$said' with exit code $code, not '$program $version'"
  page=$prefix/share/man/man1/$program.1
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 > /dev/null)
  [ -z "$warnings" ] || fail "$program.1 renders with warnings: $warnings"
  text=$(MANWIDTH=80 man -l "$page" 2> /dev/null)
  for section in NAME SYNOPSIS OPTIONS "EXIT STATUS"; do
    grep -q "^$section" <<< "$text" || fail "$program.1 has no $section section"
  done
done

desktop=$prefix/share/applications/ravlin.desktop
said=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$said" ] || fail "desktop-file-validate: $said"
grep -qx 'Exec=ravlin %f' "$desktop" || fail "the desktop entry does not run 'ravlin %f'"

mime=$prefix/share/mime
xmllint --noout "$mime/packages/ravlin.xml" || fail "ravlin.xml is not well-formed"
xmllint --noout "$prefix/share/icons/hicolor/scalable/apps/ravlin.svg" || fail "ravlin.svg is not well-formed"
said=$(update-mime-database "$mime" 2>&1) && [ -z "$said" ] || fail "update-mime-database: $said"
for type in $(sed -n 's/^MimeType=//p' "$desktop" | tr ';' ' '); do
  grep -q "<mime-type type=\"$type\">" "$mime/packages/ravlin.xml" ||
    fail "the desktop entry opens $type, which ravlin.xml does not declare"
done

# Each PNG is as large as its folder says: width and height from the header.
for size in 16 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/ravlin.png
  header=$(od -An -tx1 -N24 "$png" | tr -d ' \n')
  dimensions=$(printf '%08x%08x' "$size" "$size")
  [ "${header:0:16}" = 89504e470d0a1a0a ] && [ "${header:32:16}" = "$dimensions" ] ||
    fail "${size}x${size}/apps/ravlin.png is not a $size x $size PNG"
done

# File types as a file manager sees them: tapes and GCR disks by their
# signature whatever their name, the rest by extension in any case, and a
# cartridge's .bin left to an explicit choice.
files=$scratch/files
mkdir "$files"
printf 'C16-TAPE-RAW\002\000\000\000\004\000\000\000\060\060\060\060' > "$files/tape-without-extension"
printf 'GCR-1541\000\124\370\036' > "$files/disk-without-extension"
printf '\001\020\000\000' > "$files/GAME.PRG"
head -c 1024 /dev/zero > "$files/disk.d64"
head -c 1024 /dev/zero > "$files/state.Fre"
head -c 1024 /dev/zero > "$files/cart.bin"
while read -r name expected; do
  type=$(gio info -a standard::content-type "$files/$name" | sed -n 's/.*standard::content-type: //p')
  [ "$type" = "$expected" ] || fail "$name is $type, not $expected"
done << 'EOF'
tape-without-extension application/x-c16-tape-image
disk-without-extension application/x-commodore-gcr-disk-image
GAME.PRG application/x-commodore-program
disk.d64 application/x-commodore-disk-image
state.Fre application/x-c16-snapshot
cart.bin application/octet-stream
EOF
said=$(PATH=$prefix/bin:$PATH gio mime application/x-c16-tape-image)
grep -q '^Default application.*ravlin.desktop' <<< "$said" || fail "a tape does not open with Ravlin: $said"

# The Debian package: its fields, its files (those installed above, under
# /usr), and a clean install and removal.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/deb" > "$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log"
  fail "cpack -G DEB"
  exit 1
fi
deb=$(ls "$scratch"/deb/*.deb)
info=$(dpkg-deb --info "$deb")
for field in "Package: ravlin" "Version: $version" "Depends: .*libsdl2-2.0-0"; do
  grep -q "^ $field" <<< "$info" || fail "the package has no '$field': $info"
done
dpkg-deb --contents "$deb" | awk '!/\/$/ {print $6}' | sort > "$scratch/contents"
for file in $installed; do echo "./usr/$file"; done | sort > "$scratch/expected"
diff "$scratch/expected" "$scratch/contents" || fail "the package's files differ from the install"

# dpkg needs the superuser, or fakeroot to stand in for one.
dpkg=(dpkg)
[ "$(id -u)" = 0 ] || dpkg=(fakeroot dpkg)
if [ "$(id -u)" = 0 ] || command -v fakeroot > /dev/null; then
  root=$scratch/root
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
  touch "$root/var/lib/dpkg/status"
  # The scratch root has none of the libraries the package depends on.
  "${dpkg[@]}" --root="$root" --log=/dev/null --force-depends -i "$deb" > "$scratch/dpkg.log" 2>&1 ||
    fail "dpkg -i: $(cat "$scratch/dpkg.log")"
  said=$("$root/usr/bin/run6502" --version)
  [ "$said" = "run6502 $version" ] || fail "the packaged run6502 said '$said'"
  "${dpkg[@]}" --root="$root" --log=/dev/null --purge ravlin > "$scratch/dpkg.log" 2>&1 ||
    fail "dpkg --purge: $(cat "$scratch/dpkg.log")"
  left=$(cd "$root" && find . -mindepth 1 -not -path './var*')
  [ -z "$left" ] || fail "removing the package left: $left"
else
  echo "not installing the package: neither root nor fakeroot"
fi

[ "$failures" = 0 ] || exit 1
echo "installed and packaged Ravlin $version"
