#!/bin/sh
# The ARM920T cost meter: runs the ARM920T build of demo-capture under
# qemu-arm with the cost plugin (arm920t_cost.c) and writes, in OUT:
#   costs.csv      one row per frame: demo time, scene mask, instructions,
#                  loads, stores, redirects, modelled cache misses, estimated
#                  cycles (present path apart, a frame copy in its place)
#   scenes.md      per scene: frames, mean and worst estimated cycles, frames
#                  over the 60 and 30 fps budgets
#   costs.png      estimated cycles per frame across the show, with budgets
#   top.txt        the functions of the costliest frame
#
#   armcost.sh HOST_BUILD ARM_BUILD SYSROOT OUT [UNTIL_MS]
#
# Run from the folder that holds data/. Frames are every 20 ms, as the show's
# capture runs them (ARMCOST_STEP=MS for another step); UNTIL_MS stops early.
# With ARMCOST_BUDGETS=FILE it writes no report but fails when a scene's
# worst instruction count is over its budget in FILE (report.py --check).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
host=$1 arm=$2 sysroot=$3 out=$4 until=${5:-}
step=${ARMCOST_STEP:-20}
mkdir -p "$out"

# The plugin is built against the interface of the installed qemu: the header
# comes from the source package of the very version installed.
header="$arm/qemu-plugin"
"$here/fetch-plugin-header.sh" "$header"
installed=$(dpkg-query -W -f '${source:Version}' qemu-user)
if [ "$(cat "$header/qemu-version")" != "$installed" ]; then
    echo "armcost: the plugin header is from qemu $(cat "$header/qemu-version"), qemu-arm is $installed" >&2
    exit 1
fi
qemu-arm -h | grep -q -- '-plugin' || {
    echo "armcost: the installed qemu-arm takes no plugins" >&2
    exit 1
}
plugin="$arm/arm920t_cost.so"
if [ ! -f "$plugin" ] || [ "$here/arm920t_cost.c" -nt "$plugin" ] ||
    [ "$header/qemu-plugin.h" -nt "$plugin" ]; then
    cc -O2 -Wall -Wextra -Werror -shared -fPIC -I"$header" -o "$plugin" "$here/arm920t_cost.c"
fi

# The frame's function, the present path inside it and their caller, by symbol.
program="$arm/demo-capture"
symbol() {
    line=$(arm-linux-gnueabi-nm -S --defined-only "$program" | awk -v n="$1" '$4 == n { print $1, $2 }')
    if [ -z "$line" ]; then
        echo "armcost: $program has no symbol $1" >&2
        exit 1
    fi
    set -- $line
    printf '0x%s 0x%x\n' "$1" $((0x$1 + 0x$2))
}
if arm-linux-gnueabi-readelf -h "$program" | grep -q 'DYN'; then
    echo "armcost: $program is position-independent; the meter needs it linked at its own addresses" >&2
    exit 1
fi
frame=$(symbol _Z8runFramej)
present=$(symbol _ZN6Screen7presentEv)
caller=$(symbol main)
set -- $frame
frameStart=$1 frameEnd=$2
set -- $present
presentStart=$1
set -- $caller

limit=""
[ -n "$until" ] && limit="--until $until"
started=$(date +%s)
# shellcheck disable=SC2086
qemu-arm -L "$sysroot" \
    -plugin "$plugin,frame=$frameStart,present=$presentStart,caller=$1-$2,back=$frameStart-$frameEnd,out=$out/frames.txt" \
    "$program" --step $step $limit --out "$out/capture" 2>"$out/capture.log" || {
    tail -5 "$out/capture.log" >&2
    echo "armcost: the capture under qemu-arm failed" >&2
    exit 1
}
echo "armcost: $(grep -c '^frame' "$out/frames.txt") frames measured in $(($(date +%s) - started)) s" >&2
"$host/demo-timeline" $step ${until:-} >"$out/timeline.txt"
arm-linux-gnueabi-nm -S -C --defined-only "$program" >"$out/symbols.txt"
# Debian's own python3, whose matplotlib scripts/install-deps.sh installs.
python=python3
[ -x /usr/bin/python3 ] && python=/usr/bin/python3
if [ -n "${ARMCOST_BUDGETS:-}" ]; then
    exec "$python" "$here/report.py" "$out" --check "$ARMCOST_BUDGETS"
fi
"$python" "$here/report.py" "$out"
