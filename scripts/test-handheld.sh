#!/usr/bin/env bash
# The virtual handheld: runs the handheld's own build (demo-capture and demo,
# as `make cross-handheld` made them) under qemu-arm, with its devices stood
# in from outside the program, and checks what it did with them.
#
#   scripts/test-handheld.sh HOST_BUILD HANDHELD_BUILD ARM_SYSROOT
#
# Run from the folder that holds data/. HOST_BUILD is a desktop build with
# Unicorn (its virtual-handheld runs the machine: the shared memory file and
# the emulated second CPU); HANDHELD_BUILD holds libvirtual-devices.so, the
# library preloaded into the program for /dev/mem, /dev/dsp and the exit to
# the menu program (tools/virtual-handheld/devices.c says what it records).
#
# The checks: frames equal the desktop build's; every register write, in
# order, is the boot and stop sequence, with the second CPU's program in place
# when it is released; `newData` is stored after `loadDone` and `dataLength`
# hold their final values; the sound device gets the OSS set-up and then
# Tremor's decode of the music; the show ends in the menu program. Then the
# faults that once hung or broke the sound: a device that stops playing, an
# empty second-CPU program with a menu program that cannot start, a device
# that is descriptor 0 and takes short writes, and one that plays another
# rate.
set -eu

HOST=$(realpath "${1:?usage: test-handheld.sh HOST_BUILD HANDHELD_BUILD ARM_SYSROOT}")
HANDHELD=$(realpath "${2:?}")
SYSROOT=$(realpath "${3:?}")
DATA=$(realpath data)
PRELOAD=$HANDHELD/libvirtual-devices.so
# Far beyond a run's few seconds: only a program that hangs gets there.
RUN_LIMIT=180

for needed in "$HOST/virtual-handheld" "$PRELOAD" "$HANDHELD/demo" "$HANDHELD/demo-capture"; do
    if [ ! -e "$needed" ]; then
        echo "test-handheld: $needed is missing"
        exit 1
    fi
done

work=$(mktemp -d)
machine=
cleanup() {
    [ -n "$machine" ] && kill "$machine" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
    echo "  FAILED: $*"
    failures=$((failures + 1))
}

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# run NAME FOLDER PROGRAM [ARGS...]: runs PROGRAM from FOLDER (which holds
# data/) in a fresh virtual handheld; VH_* settings come from the caller's
# environment. Leaves $work/NAME/{record,dsp.pcm,program,out,err,status}.
run() {
    local name=$1 folder=$2 program=$3
    shift 3
    local dir=$work/$name
    mkdir -p "$dir"
    # The machine lives while its input is open.
    mkfifo "$dir/power"
    "$HOST/virtual-handheld" machine "$dir/memory" < "$dir/power" 2> "$dir/machine.err" &
    machine=$!
    exec 9> "$dir/power"
    for _ in $(seq 100); do
        grep -q ready "$dir/machine.err" && break
        sleep 0.1
    done
    local status=0
    (cd "$folder" && timeout -k 10 "$RUN_LIMIT" qemu-arm -L "$SYSROOT" \
        -E LD_PRELOAD="$PRELOAD" -E VH_MEMORY="$dir/memory" -E VH_LOG="$dir/record" \
        -E VH_DSP="$dir/dsp.pcm" -E VH_PROGRAM="$dir/program" \
        -E VH_DSP_MODE="${VH_DSP_MODE:-normal}" -E VH_EXEC="${VH_EXEC:-}" \
        -E VH_QUIT_AFTER_BYTES="${VH_QUIT_AFTER_BYTES:-}" \
        -E VH_QUIT_AFTER_MS="${VH_QUIT_AFTER_MS:-}" \
        "$program" "$@" > "$dir/out" 2> "$dir/err") || status=$?
    exec 9>&-
    wait "$machine" || true
    machine=
    echo "$status" > "$dir/status"
    touch "$dir/record" "$dir/dsp.pcm"
    if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
        fail "$name: still running after $RUN_LIMIT s"
    fi
    if grep -q '^fault' "$dir/record"; then
        fail "$name: an access to a watched window could not be carried out:"
        grep '^fault' "$dir/record" | head -3
    fi
}

# The register writes of a run, one "OFFSET VALUE" a line, with "release"
# where the second CPU's program was copied out at its release.
registers() {
    awk '$1 == "reg" { print $2, $3 } $1 == "release" { print "release" }
         $1 == "reg-size" { print "size", $2, $3 }' "$work/$1/record"
}

# The run register holds a5a4 in its other bits (virtual-handheld sets it).
START='0904 a5a4
3b48 0083'
BOOT='0904 a5a4
3b46 ffff
3b48 0083
3b40 0000
3b42 0000
3b44 ffff'
RELEASE='3b48 0003
release
0904 a5a5'
STOP='0904 a5a4
3b48 0083'

expect_registers() {
    local name=$1 expected=$2
    if [ "$(registers "$name")" != "$expected" ]; then
        fail "$name: the register writes differ from the boot and stop sequences"
        diff <(echo "$expected") <(registers "$name") | head -20 || true
    fi
}

# The program copied to the second CPU's memory before its release.
expect_program_in_place() {
    local name=$1
    local size
    size=$(stat -c %s "$DATA/ogg940.bin")
    if [ ! -f "$work/$name/program" ] ||
        ! cmp -s -n "$size" "$work/$name/program" "$DATA/ogg940.bin"; then
        fail "$name: data/ogg940.bin was not in place when the second CPU was released"
    fi
}

# When newData is stored, loadDone and dataLength hold their final values.
expect_music_announced_last() {
    local name=$1
    local size
    size=$(printf '%x' "$(stat -c %s "$DATA/warmer.ogg")")
    local seen
    seen=$(awk -v size="$size" '
        $1 == "block" && $2 == 12 { loadDone = $3 }
        $1 == "block" && $2 == 20 { dataLength = $3 }
        $1 == "block" && $2 == 8 && $3 != "0" {
            print (loadDone == "1" && dataLength == size) ? "final" : "early: loadDone " loadDone ", dataLength " dataLength
            exit
        }' "$work/$name/record")
    if [ "$seen" != final ]; then
        fail "$name: newData was set ${seen:-never}, expected loadDone 1, dataLength $size"
    fi
}

# The device opened write-only and set up with the five requests, then only
# asked for its free space.
expect_oss_setup() {
    local name=$1 descriptor=$2
    grep -qx "open /dev/dsp O_WRONLY $descriptor" "$work/$name/record" ||
        fail "$name: /dev/dsp was not opened write-only as descriptor $descriptor"
    local setup
    setup=$(awk '$1 == "ioctl" { print $2, $3 }' "$work/$name/record" | head -5)
    local expected='c0045002 44100
c0045005 16
c0045003 1
c004500a 131083
8010500c -'
    [ "$setup" = "$expected" ] || {
        fail "$name: the OSS requests differ"
        diff <(echo "$expected") <(echo "$setup") || true
    }
    [ "$(grep -c '^ioctl' "$work/$name/record")" -eq 5 ] ||
        fail "$name: requests after the set-up other than the space query"
}

# What the device played is Tremor's decode of the music from its start, and
# at least `least` bytes of it.
expect_music_played() {
    local name=$1 least=$2
    local played
    played=$(stat -c %s "$work/$name/dsp.pcm")
    if [ "$played" -lt "$least" ]; then
        fail "$name: the device played $played bytes, expected at least $least"
    elif ! cmp -s -n "$played" "$work/$name/dsp.pcm" "$work/tremor.pcm"; then
        fail "$name: the $played bytes played differ from Tremor's decode of data/warmer.ogg"
    fi
}

expect_silence() {
    local played
    played=$(stat -c %s "$work/$1/dsp.pcm")
    [ "$played" -eq 0 ] || fail "$1: the device played $played bytes, expected silence"
}

# The show's end: the second CPU's memory unmapped and /dev/mem closed, then
# the menu program executed from its folder, with status `status`.
expect_exit_to_menu() {
    local name=$1 status=${2:-0}
    local ending
    ending=$(grep -E '^(munmap|close /dev/mem|chdir|execl)' "$work/$name/record" || true)
    local expected='munmap 3000000 f80000
close /dev/mem
chdir /usr/gp2x
execl /usr/gp2x/gp2xmenu /usr/gp2x/gp2xmenu +0'
    [ "$ending" = "$expected" ] || {
        fail "$name: the show did not end in the menu program"
        diff <(echo "$expected") <(echo "$ending") || true
    }
    [ "$(cat "$work/$name/status")" -eq "$status" ] ||
        fail "$name: exit status $(cat "$work/$name/status"), expected $status: $(tail -3 "$work/$name/err")"
}

start=$(date +%s)
"$HOST/virtual-handheld" decode "$DATA/warmer.ogg" "$work/tremor.pcm"

# 1. Frames: a few in every scene, from the handheld build and the desktop's.
echo "virtual handheld: frames"
TIMES=1000,9000,20000,30000,41500,47000,52000,58000,64000,70000,75000,88000,100000,120000
TIMES=$TIMES,137000,150000,160000,170000,177000,190000,200000,208000,215000,228000,240000,245500
ARGS="--step 250 --until 245500 --at $TIMES --raw"
# shellcheck disable=SC2086
(cd "$DATA/.." && "$HOST/demo-capture" $ARGS --out "$work/host-frames" 2> /dev/null)
# shellcheck disable=SC2086
run capture "$DATA/.." "$HANDHELD/demo-capture" $ARGS --out "$work/capture/frames"
frames=0
for t in ${TIMES//,/ }; do
    frames=$((frames + 1))
    cmp -s "$work/host-frames/frame-$t.rgb565" "$work/capture/frames/frame-$t.rgb565" ||
        fail "capture: frame $t differs from the desktop build's"
done
[ "$(cat "$work/capture/status")" -eq 0 ] || fail "capture: exit status $(cat "$work/capture/status")"
echo "  $frames frames compared"

# 2. The show with its sound, until the device has played 4 s.
echo "virtual handheld: the show"
VH_QUIT_AFTER_BYTES=705600 VH_QUIT_AFTER_MS=60000 run show "$DATA/.." "$HANDHELD/demo"
expect_registers show "$START
$BOOT
$RELEASE
$STOP"
expect_program_in_place show
expect_music_announced_last show
expect_oss_setup show 5
expect_music_played show 705600
expect_exit_to_menu show
grep -q '^quit sound' "$work/show/record" || fail "show: ended before the device played 4 s"

# 3. A device that stops playing: the show still ends in the menu program.
echo "virtual handheld: a device that stops playing"
VH_DSP_MODE=stalled VH_QUIT_AFTER_MS=3000 run stalled "$DATA/.." "$HANDHELD/demo"
expect_registers stalled "$START
$BOOT
$RELEASE
$STOP"
expect_silence stalled
# The audio thread ended by itself, closing its device, within stopSound's wait.
grep -q '^close /dev/dsp' "$work/stalled/record" || fail "stalled: the audio thread never ended"
expect_exit_to_menu stalled

# 4. An empty second-CPU program is never released; a menu program that
#    cannot start is said so, with status 1.
echo "virtual handheld: an empty program and no menu program"
mkdir -p "$work/empty-program/data"
ln -s "$DATA"/* "$work/empty-program/data/"
rm "$work/empty-program/data/ogg940.bin"
: > "$work/empty-program/data/ogg940.bin"
VH_EXEC=fail VH_QUIT_AFTER_MS=2000 run empty "$work/empty-program" "$HANDHELD/demo"
expect_registers empty "$START
$BOOT
$STOP"
expect_silence empty
expect_exit_to_menu empty 1
grep -q 'cannot start the menu program' "$work/empty/err" ||
    fail "empty: no message on stderr about the menu program"

# 5. /dev/dsp as descriptor 0, taking at most 1000 bytes a write.
echo "virtual handheld: descriptor 0 and short writes"
VH_DSP_MODE=quirky VH_QUIT_AFTER_BYTES=352800 VH_QUIT_AFTER_MS=60000 \
    run quirky "$DATA/.." "$HANDHELD/demo"
expect_oss_setup quirky 0
expect_music_played quirky 352800
expect_exit_to_menu quirky

# 6. A device that answers another rate: silent, the second CPU never started.
echo "virtual handheld: a device at another rate"
VH_DSP_MODE=slow-rate VH_QUIT_AFTER_MS=2000 run slow-rate "$DATA/.." "$HANDHELD/demo"
expect_registers slow-rate "$START"
expect_silence slow-rate
expect_exit_to_menu slow-rate

echo "virtual handheld: $failures failed check(s), $(($(date +%s) - start)) s"
[ "$failures" -eq 0 ]
