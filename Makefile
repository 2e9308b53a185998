# Two entry points: `make run` plays the show, `make test` runs the whole suite headless.
# Both install missing Debian packages, build in build/ and make data/ first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build data run test test-fast test-sanitize clean cross test-arm

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# data/ is rebuilt when it is missing or older than the generator.
data: build
	@if [ -x $(BUILD)/demo-assets ]; then \
	    if [ ! -f data/.stamp ] || [ $(BUILD)/demo-assets -nt data/.stamp ]; then \
	        $(BUILD)/demo-assets --out data && touch data/.stamp; \
	    fi; \
	else mkdir -p data; fi

# The window is scaled up 3x with crisp pixels where sdl12-compat supports it,
# unless the user has chosen otherwise.
run: data
	SDL12COMPAT_WINDOW_SCALING=$${SDL12COMPAT_WINDOW_SCALING:-3} \
	SDL12COMPAT_SCALE_METHOD=$${SDL12COMPAT_SCALE_METHOD:-nearest} \
	$(BUILD)/demo

HEADLESS = SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

# The whole suite: the ordinary build, then the same suite and one whole-show
# capture built with AddressSanitizer and UndefinedBehaviorSanitizer.
test: test-fast test-sanitize

test-fast: data
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)

SAN_BUILD ?= build-asan
SAN_ENV = $(HEADLESS) LSAN_OPTIONS=suppressions=$(CURDIR)/tools/sanitize/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: data
	@cmake -S . -B $(SAN_BUILD) -DDEMO_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)
	$(SAN_ENV) $(SAN_BUILD)/demo-capture --at 250000 --out $(SAN_BUILD)/show-capture

# The handheld's build: 32-bit ARM Linux, cross-compiled against a sysroot of
# Debian armel packages; `test-arm` runs its suite under qemu-arm.
ARM_BUILD ?= build-arm
ARM_SYSROOT ?= $(CURDIR)/$(ARM_BUILD)-sysroot
ARM_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

cross:
	@scripts/install-deps.sh cross
	@scripts/make-arm-sysroot.sh $(ARM_SYSROOT)
	@cmake -S . -B $(ARM_BUILD) -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
	    -DARM_SYSROOT=$(ARM_SYSROOT) $(ARM_FLAGS) >/dev/null
	@cmake --build $(ARM_BUILD) -j $(JOBS)

test-arm: cross data
	cd $(ARM_BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	    ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(ARM_BUILD) $(ARM_BUILD)-sysroot data capture
