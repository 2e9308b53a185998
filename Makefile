# Two entry points: `make run` plays the show, `make test` runs the whole suite headless.
# Both install missing Debian packages, build in build/ and make data/ first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build data run test test-fast test-sanitize fuzz fuzz-build clean arm-sysroot cross test-arm cross-handheld \
	test-handheld armcost armcost-build test-armcost web-deps web serve-web test-web

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
# capture built with AddressSanitizer and UndefinedBehaviorSanitizer, then a
# short fuzzing run of every file loader, then the handheld's 32-bit ARM build
# with its suite under qemu-arm and its assets and frames compared with the
# desktop's, then the handheld's own program in a virtual handheld, and last
# the ARM920T cost of a sample of the show's frames against its budgets. The
# page (web/) is checked in headless Chromium after the ordinary suite.
test: test-fast test-web test-sanitize fuzz test-arm test-handheld test-armcost

test-fast: data
	cd $(BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)

SAN_BUILD ?= build-asan
SAN_ENV = $(HEADLESS) LSAN_OPTIONS=suppressions=$(CURDIR)/tools/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

test-sanitize: data
	@cmake -S . -B $(SAN_BUILD) -DDEMO_SANITIZE=address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && $(SAN_ENV) ctest --output-on-failure -j $(JOBS)
	$(SAN_ENV) $(SAN_BUILD)/demo-capture --at 250000 --out $(SAN_BUILD)/show-capture

# libFuzzer targets for the loaders that read files (tools/fuzz), built with
# clang in their own folder. Each runs FUZZ_SECONDS from its seeds in
# tools/fuzz/corpus/<target>/ plus what earlier runs here found; a crash stops
# make, with the input that caused it in $(FUZZ_BUILD)/crashes/. `make test`
# runs each for 40 s; a longer campaign is `make fuzz FUZZ_SECONDS=1800`
# (one target alone: FUZZ_TARGETS=ase). The last lines give the inputs run,
# the coverage reached (cov: edges, ft: features) and the rate.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 40
FUZZ_TARGETS ?= ase picture music
FUZZ_MAX_LEN_ase = 4096
FUZZ_MAX_LEN_picture = 8192
FUZZ_MAX_LEN_music = 4096
FUZZ_ENV = LSAN_OPTIONS=suppressions=$(CURDIR)/tools/sanitize/lsan.supp \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

fuzz: $(addprefix fuzz-run-,$(FUZZ_TARGETS))

fuzz-build: deps
	@CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DDEMO_FUZZ=ON -DBUILD_TESTING=OFF \
	    -DDEMO_SANITIZE=fuzzer-no-link,address,undefined $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target $(addprefix fuzz-,$(FUZZ_TARGETS))

fuzz-run-%: fuzz-build
	@mkdir -p $(FUZZ_BUILD)/corpus/$* $(FUZZ_BUILD)/crashes
	@echo "fuzz-$*: $(FUZZ_SECONDS) s, inputs up to $(FUZZ_MAX_LEN_$*) bytes"
	@$(FUZZ_ENV) $(FUZZ_BUILD)/fuzz-$* -max_total_time=$(FUZZ_SECONDS) -max_len=$(FUZZ_MAX_LEN_$*) \
	    -close_fd_mask=3 -print_final_stats=1 -artifact_prefix=$(FUZZ_BUILD)/crashes/$*- \
	    $(FUZZ_BUILD)/corpus/$* tools/fuzz/corpus/$* 2>$(FUZZ_BUILD)/fuzz-$*.log \
	    || { tail -60 $(FUZZ_BUILD)/fuzz-$*.log; exit 1; }
	@grep -E '^#[0-9]+[[:space:]]+DONE' $(FUZZ_BUILD)/fuzz-$*.log | tail -1
	@grep -E '^stat::(number_of_executed_units|average_exec_per_sec|new_units_added|peak_rss_mb)' \
	    $(FUZZ_BUILD)/fuzz-$*.log

# The show in a web browser: emscripten's build of the same sources in
# build-web/ (index.html, quorvane.js, .wasm and .data with data/ packaged).
# `serve-web` serves it on 127.0.0.1; `test-web` loads it in headless Chromium
# and compares its frames and sound with the desktop build's.
WEB_BUILD ?= build-web
WEB_ENV = NODE_PATH=/usr/share/nodejs

web-deps:
	@scripts/install-deps.sh web

web: data web-deps
	@$(WEB_ENV) emcmake cmake -S . -B $(WEB_BUILD) -DDEMO_PLATFORM=web -DCMAKE_BUILD_TYPE=Release \
	    -DDEMO_WEB_DATA=$(CURDIR)/data >/dev/null
	@$(WEB_ENV) cmake --build $(WEB_BUILD) -j $(JOBS)

serve-web: web
	@/usr/bin/python3 web/serve.py $(WEB_BUILD)

test-web: web
	/usr/bin/python3 web/test/page_test.py $(WEB_BUILD) $(BUILD) data

# The handheld's build: 32-bit ARM Linux, cross-compiled against a sysroot of
# Debian armel packages; `test-arm` runs its suite under qemu-arm.
ARM_BUILD ?= build-arm
ARM_SYSROOT ?= $(CURDIR)/$(ARM_BUILD)-sysroot
ARM_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo
# Configures an ARM build folder; the toolchain file is named again on every
# run, which cmake would otherwise warn about once the folder exists.
ARM_CMAKE = cmake --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE=cmake/arm-linux-gnueabi.cmake \
	-DARM_SYSROOT=$(ARM_SYSROOT) $(ARM_FLAGS)

# The cross compiler, qemu-arm and the sysroot (made once, then reused).
arm-sysroot:
	@scripts/install-deps.sh cross
	@scripts/make-arm-sysroot.sh $(ARM_SYSROOT)

cross: arm-sysroot
	@$(ARM_CMAKE) -S . -B $(ARM_BUILD) >/dev/null
	@cmake --build $(ARM_BUILD) -j $(JOBS)

# The whole suite under qemu-arm, then the asset set its generator wrote and
# the same frames captured by both builds compared byte for byte. The
# handheld's own program is built too, and only it may name /dev/mem.
test-arm: cross data cross-handheld
	cd $(ARM_BUILD) && $(HEADLESS) ctest --output-on-failure -j $(JOBS)
	scripts/compare-arm-output.sh $(BUILD) $(ARM_BUILD) $(ARM_SYSROOT)
	@grep -q /dev/mem $(ARM_BUILD)-handheld/demo || \
	    { echo "the handheld build of demo does not name /dev/mem"; exit 1; }
	@if grep -q /dev/mem $(BUILD)/demo $(ARM_BUILD)/demo; then \
	    echo "a desktop build of demo names /dev/mem"; exit 1; fi

# The program for the handheld itself: the handheld side of the platform layer
# (real /dev/mem, OSS /dev/dsp, exit to the menu program), ARMv4T code for its
# ARM920T; with the library that stands in for its devices in test-handheld.
cross-handheld: arm-sysroot
	@$(ARM_CMAKE) -S . -B $(ARM_BUILD)-handheld -DDEMO_PLATFORM=handheld -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(ARM_BUILD)-handheld -j $(JOBS) --target demo demo-capture virtual-devices

# The handheld's own program (the cross-handheld build, unchanged) under
# qemu-arm in a virtual handheld: a preloaded library stands in for /dev/mem,
# /dev/dsp and the menu program, and the desktop build's virtual-handheld
# models the machine and its second CPU. Checks the frames, the register
# sequences, the music hand-over, the OSS set-up and sound, the exit to the
# menu program, and the sound path's behaviour with broken devices.
test-handheld: data cross-handheld
	scripts/test-handheld.sh $(BUILD) $(ARM_BUILD)-handheld $(ARM_SYSROOT)

# The ARM920T cost meter: the desktop side built with the handheld's ARMv4T
# code, linked at fixed addresses (the meter finds the frame's functions by
# their symbols), run under qemu-arm with a plugin that counts and models each
# frame's cycles (tools/armcost). `armcost` measures the whole show at 20 ms
# steps into $(ARMCOST_BUILD)/show: costs.csv, scenes.md, costs.png, top.txt.
ARMCOST_BUILD ?= $(ARM_BUILD)-armcost
ARMCOST_STEP_CHECK ?= 1000

armcost-build: arm-sysroot
	@$(ARM_CMAKE) -S . -B $(ARMCOST_BUILD) -DDEMO_ARM920T=ON -DCMAKE_EXE_LINKER_FLAGS=-no-pie \
	    -DBUILD_TESTING=OFF >/dev/null
	@cmake --build $(ARMCOST_BUILD) -j $(JOBS) --target demo-capture

armcost: data armcost-build
	tools/armcost/armcost.sh $(BUILD) $(ARMCOST_BUILD) $(ARM_SYSROOT) $(ARMCOST_BUILD)/show

# The regression check: one frame a second through the show (a few per
# scene); each scene's worst instruction count against its budget in
# tools/armcost/budgets.txt. Instruction counts are the same on every run.
test-armcost: data armcost-build
	ARMCOST_STEP=$(ARMCOST_STEP_CHECK) ARMCOST_BUDGETS=tools/armcost/budgets.txt \
	    tools/armcost/armcost.sh $(BUILD) $(ARMCOST_BUILD) $(ARM_SYSROOT) $(ARMCOST_BUILD)/check

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(FUZZ_BUILD) $(ARM_BUILD) $(ARM_BUILD)-handheld $(ARMCOST_BUILD) \
	    $(ARM_BUILD)-sysroot $(WEB_BUILD) data capture
