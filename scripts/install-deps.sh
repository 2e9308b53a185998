#!/usr/bin/env bash
# Installs the Debian packages the build, the asset generator and the tests need.
# As root it installs what is missing; otherwise it prints the one command to run.
#
#   scripts/install-deps.sh          what `make run` and `make test` need
#   scripts/install-deps.sh cross    also the ARM cross compiler and emulator
#   scripts/install-deps.sh web      also the browser build's compiler and the
#                                    headless browser its test drives
set -eu

# gcc-arm-none-eabi and newlib build the second CPU's program (its Tremor and
# libogg sources come from Debian's source packages at configure time, with
# dpkg-dev's dpkg-source); libunicorn-dev lets the desktop run that program in
# an emulated ARM940T.
PACKAGES="build-essential cmake pkg-config libsdl1.2-compat-dev libstb-dev libvorbisidec-dev \
libvorbis-dev libogg-dev libgtest-dev libbenchmark-dev clang libclang-rt-14-dev gcc-arm-none-eabi \
libnewlib-arm-none-eabi dpkg-dev xz-utils libunicorn-dev"
if [ "${1:-}" = cross ]; then
    # python3-matplotlib draws the ARM920T cost meter's plot (make armcost).
    PACKAGES="$PACKAGES g++-arm-linux-gnueabi qemu-user python3-matplotlib"
fi
# emscripten compiles the show for the browser (offline, from Debian's own
# system libraries); the test loads the page in the headless browser and reads
# it through the DevTools protocol with python3-websocket.
if [ "${1:-}" = web ]; then
    PACKAGES="$PACKAGES emscripten chromium-headless-shell python3-websocket"
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run:"
    echo "  sudo apt-get install -y$missing"
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Another apt at work (an automatic upgrade, another build) is waited for,
# up to APT_LOCK_WAIT seconds (scripts/apt-common.sh).
. "$(dirname "$0")/apt-common.sh"
apt_update -qq
# shellcheck disable=SC2086
apt_get_waiting install -y -qq --no-install-recommends $missing
