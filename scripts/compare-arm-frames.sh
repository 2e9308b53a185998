#!/usr/bin/env bash
# Captures the same frames with the desktop build and the ARM build (under
# qemu-arm) and checks that they are identical byte for byte. Run from the
# folder that holds data/.
#
#   scripts/compare-arm-frames.sh HOST_BUILD ARM_BUILD ARM_SYSROOT
set -eu

HOST=${1:?usage: compare-arm-frames.sh HOST_BUILD ARM_BUILD ARM_SYSROOT}
ARM=${2:?}
SYSROOT=${3:?}
# One frame in every scene, with a coarse step so the emulated run stays short.
TIMES=1000,20000,41500,52000,64000,75000,100000,137000,160000,177000,200000,215000,240000,245500
ARGS="--step 250 --at $TIMES --raw"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy
"$HOST/demo-capture" $ARGS --out "$work/host" 2>/dev/null
qemu-arm -L "$SYSROOT" "$ARM/demo-capture" $ARGS --out "$work/arm" 2>/dev/null

different=0
for t in ${TIMES//,/ }; do
    if ! cmp -s "$work/host/frame-$t.rgb565" "$work/arm/frame-$t.rgb565"; then
        echo "frame $t differs between the desktop and the ARM build"
        different=$((different + 1))
    fi
done
count=$(echo "$TIMES" | tr ',' '\n' | wc -l)
echo "ARM frames: $((count - different)) passed, $different failed"
[ "$different" -eq 0 ]
