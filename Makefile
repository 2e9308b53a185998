# Two entry points: `make run` plays the show, `make test` runs the whole suite headless.
# Both install missing Debian packages, build in build/ and make data/ first.

BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo

.PHONY: all deps configure build data run test clean

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
	    if [ ! -d data ] || [ $(BUILD)/demo-assets -nt data/.stamp ]; then \
	        $(BUILD)/demo-assets --out data && touch data/.stamp; \
	    fi; \
	else mkdir -p data; fi

# The window is scaled up 3x with crisp pixels where sdl12-compat supports it,
# unless the user has chosen otherwise.
run: data
	SDL12COMPAT_WINDOW_SCALING=$${SDL12COMPAT_WINDOW_SCALING:-3} \
	SDL12COMPAT_SCALE_METHOD=$${SDL12COMPAT_SCALE_METHOD:-nearest} \
	$(BUILD)/demo

test: data
	cd $(BUILD) && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
	    ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) data capture
