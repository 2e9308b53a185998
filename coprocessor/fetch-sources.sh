#!/bin/sh
# Downloads Debian's source packages of Tremor (libvorbisidec) and libogg with
# apt and unpacks them for the second CPU's program:
#
#   fetch-sources.sh DIR      ->  DIR/tremor, DIR/ogg
#
# apt runs with a private configuration under DIR (its own deb-src list,
# package lists and cache), so the machine's own apt sources and state are
# left alone; the archives in that list are the machine's own (those that
# carry bookworm's main component), and its apt settings, such as a proxy,
# still apply. Nothing here is kept in the repository. Exits non-zero, with a
# message, when the sources cannot be had (no network, for one).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../scripts/apt-common.sh"
dir=$(mkdir -p "$1" && cd "$1" && pwd)
[ -f "$dir/.unpacked" ] && exit 0

apt="$dir/apt"
mkdir -p "$dir/download"
source_apt fetch-sources "$apt" bookworm || exit 1
cd "$dir/download"
# apt fails as a whole when any file of a package is missing; what matters is
# that each package's upstream tarball arrived (apt has checked its hash).
apt-get -q source --download-only libvorbisidec libogg >"$apt/source.log" 2>&1 || true

# Unpacks package $1 into $2: the whole Debian source package (with Debian's
# patches) when it is complete, else its upstream tarball.
unpack() {
    rm -rf "$2"
    if ls "$1"_*.debian.tar.* >/dev/null 2>&1 &&
        dpkg-source --no-check -x "$1"_*.dsc "$2" >/dev/null 2>&1; then
        return 0
    fi
    orig=$(ls "$1"_*.orig.tar.* 2>/dev/null | head -n 1)
    if [ -z "$orig" ]; then
        echo "fetch-sources: no source of $1 could be downloaded (see $apt/source.log)" >&2
        return 1
    fi
    mkdir -p "$2"
    tar -xf "$orig" -C "$2" --strip-components=1
}
unpack libvorbisidec "$dir/tremor"
unpack libogg "$dir/ogg"
[ -f "$dir/tremor/ivorbisfile.h" ] && [ -f "$dir/ogg/src/framing.c" ] || {
    echo "fetch-sources: the unpacked sources are not as expected" >&2
    exit 1
}
touch "$dir/.unpacked"
