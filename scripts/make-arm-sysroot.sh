#!/usr/bin/env bash
# Builds a sysroot folder for the handheld's 32-bit ARM Linux (Debian armel)
# from downloaded packages, unpacked with dpkg -x. Nothing is installed
# system-wide apart from registering the armel architecture with apt, so the
# machine's own packages never clash with the ARM ones.
#
#   scripts/make-arm-sysroot.sh SYSROOT
set -eu
. "$(dirname "$0")/apt-common.sh"

SYSROOT=${1:?usage: make-arm-sysroot.sh SYSROOT}
ROOTS="libsdl1.2-compat-dev:armel libsdl2-2.0-0:armel libstb-dev:armel libvorbisidec-dev:armel
libvorbis-dev:armel libgtest-dev:armel libstdc++6:armel libc6-dev:armel"

# .complete records the package list it was made from; a changed list remakes it.
[ -f "$SYSROOT/.complete" ] && [ "$(cat "$SYSROOT/.complete")" = "$ROOTS" ] && exit 0

if ! dpkg --print-foreign-architectures | grep -qx armel; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Run as root once: dpkg --add-architecture armel && apt-get update"
        exit 1
    fi
    dpkg --add-architecture armel
    apt_update -qq
fi

# The dependency closure, ARM packages only (architecture-independent data
# packages are not needed to build or to run headless).
# shellcheck disable=SC2086
packages=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
    --no-breaks --no-replaces --no-enhances $ROOTS 2>/dev/null |
    grep -E '^[a-zA-Z0-9].*:armel$' | grep -v -E '^(sysvinit-utils|lsb-base)' | sort -u)
if [ -z "$packages" ]; then
    apt_update -qq
    # shellcheck disable=SC2086
    packages=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts \
        --no-breaks --no-replaces --no-enhances $ROOTS 2>/dev/null |
        grep -E '^[a-zA-Z0-9].*:armel$' | grep -v -E '^(sysvinit-utils|lsb-base)' | sort -u)
fi

rm -rf "$SYSROOT"
mkdir -p "$SYSROOT/.debs"
cd "$SYSROOT/.debs"
# shellcheck disable=SC2086
apt-get download -q $packages >/dev/null
for deb in *.deb; do
    dpkg -x "$deb" ..
done
cd ..
rm -rf .debs

# Absolute symbolic links inside the sysroot would point at the host's files;
# make them relative to the sysroot.
find . -type l | while read -r link; do
    target=$(readlink "$link")
    case "$target" in
    /*) ln -sfn "$(realpath -m --relative-to="$(dirname "$link")" ".$target")" "$link" ;;
    esac
done
echo "$ROOTS" > .complete
