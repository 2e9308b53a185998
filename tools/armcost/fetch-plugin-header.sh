#!/bin/sh
# Downloads Debian's qemu source package with apt and takes from it only the
# TCG plugin interface header, the one file the cost meter's plugin needs:
#
#   fetch-plugin-header.sh DIR      ->  DIR/qemu-plugin.h, DIR/qemu-version
#
# The version is that of the installed qemu-user, so the header is the
# interface of the qemu-arm that loads the plugin. apt runs with a private
# configuration under DIR, as for the second CPU's sources: its list holds
# the machine's own archives (scripts/apt-common.sh), and the machine's own
# apt sources and state are left alone. Exits non-zero, with a message, when
# the header cannot be had.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/apt-common.sh"
dir=$(mkdir -p "$1" && cd "$1" && pwd)

version=$(dpkg-query -W -f '${source:Version}' qemu-user 2>/dev/null) || {
    echo "fetch-plugin-header: qemu-user is not installed" >&2
    exit 1
}
if [ -f "$dir/qemu-plugin.h" ] && [ "$(cat "$dir/qemu-version" 2>/dev/null)" = "$version" ]; then
    exit 0
fi

apt="$dir/apt"
mkdir -p "$dir/download"
# The installed qemu may come from a security update.
source_apt fetch-plugin-header "$apt" bookworm bookworm-security || exit 1
cd "$dir/download"
# Only the upstream tarball is needed, and of it one file.
apt-get -q source --download-only "qemu=$version" >"$apt/source.log" 2>&1 || true
orig=$(ls qemu_*.orig.tar.* 2>/dev/null | head -n 1)
if [ -z "$orig" ]; then
    echo "fetch-plugin-header: the qemu $version sources could not be downloaded (see $apt/source.log)" >&2
    exit 1
fi
tar -xf "$orig" --wildcards --no-anchored --strip-components=3 -C "$dir" 'include/qemu/qemu-plugin.h'
[ -f "$dir/qemu-plugin.h" ] || {
    echo "fetch-plugin-header: $orig holds no include/qemu/qemu-plugin.h" >&2
    exit 1
}
echo "$version" >"$dir/qemu-version"
rm -f "$dir"/download/qemu_*
