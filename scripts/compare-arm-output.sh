#!/usr/bin/env bash
# Checks that the ARM build (under qemu-arm) makes the same output as the
# desktop build, byte for byte: the asset set that the ARM suite's generator
# wrote, and the same frames captured by both builds. Run from the folder that
# holds data/, after the ARM suite.
#
#   scripts/compare-arm-output.sh HOST_BUILD ARM_BUILD ARM_SYSROOT
set -eu

HOST=${1:?usage: compare-arm-output.sh HOST_BUILD ARM_BUILD ARM_SYSROOT}
ARM=${2:?}
SYSROOT=${3:?}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# The asset set: the ARM suite's fixture wrote one without the music (the
# generator takes minutes under the emulator, so it is not run again here).
arm_assets="$ARM/tests/generated-assets"
if [ -d "$arm_assets" ]; then
    "$HOST/demo-assets" --out "$work/assets" --no-music >/dev/null
    files=0
    different=0
    for f in "$work"/assets/*; do
        files=$((files + 1))
        if ! cmp -s "$f" "$arm_assets/$(basename "$f")"; then
            echo "$(basename "$f") differs between the desktop and the ARM generator"
            different=$((different + 1))
        fi
    done
    arm_files=$(find "$arm_assets" -maxdepth 1 -type f | wc -l)
    if [ "$arm_files" -ne "$files" ]; then
        echo "the ARM generator wrote $arm_files files, the desktop one $files"
        different=$((different + 1))
    fi
    echo "ARM assets: $((files - different)) of $files files identical"
    [ "$different" -eq 0 ] || failed=1
else
    echo "no asset set in $arm_assets: run the ARM suite first"
    failed=1
fi

# One frame in every scene, with a coarse step so the emulated run stays short.
TIMES=1000,20000,41500,52000,64000,75000,100000,137000,160000,177000,200000,215000,240000,245500
ARGS="--step 250 --at $TIMES --raw"
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
[ "$different" -eq 0 ] || failed=1
exit "$failed"
