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

suite=bookworm
apt="$dir/apt"
mkdir -p "$apt/sources.list.d" "$dir/download"
if ! source_archives "$apt/sources.list.d" "$suite"; then
    echo "fetch-plugin-header: no archive to take the qemu sources from" >&2
    exit 1
fi
# The installed qemu may come from a security update.
mkdir -p "$apt/security"
if source_archives "$apt/security" "$suite-security" 2>/dev/null; then
    cp "$apt/security/machine.list" "$apt/sources.list.d/security.list"
    cp "$apt/security/machine.sources" "$apt/sources.list.d/security.sources"
fi
if ! private_apt "$apt"; then
    echo "fetch-plugin-header: apt-get update failed (see $apt/update.log)" >&2
    exit 1
fi
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
