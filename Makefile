# Front door: installs what is missing, builds with CMake and runs or tests. See README.md.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build run render test test-trig test-asan install package web serve bench fuzz soak windows test-windows clean

all: build

deps:
	@scripts/install-deps.sh core window

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The window needs a display; without one, show a game as an animation instead.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then ./$(BUILD)/pellwick; else \
	  echo "No display found; rendering a game instead."; $(MAKE) --no-print-directory render; fi

# About ten seconds of a game (a click at tick 0) at 599x459 as an animated GIF, and its last frame as a PNG.
render: build
	@./$(BUILD)/pellwick-render --ticks 10000 --click 0 --gif pellwick.gif --png pellwick.png
	@echo "The game is at $(CURDIR)/pellwick.gif, its last frame at $(CURDIR)/pellwick.png"

# The tests use the web site and the Debian package as built here, so both are built first.
test: build
	@scripts/install-deps.sh e2e package web browser
	@$(MAKE) --no-print-directory web package
	@scripts/run-tests.sh $(BUILD)

# The web page: build-web/ holds index.html, page.js, pellwick.js and pellwick.wasm, a static site for any server.
export NODE_PATH := /usr/share/nodejs
web:
	@scripts/install-deps.sh core web
	@emcmake cmake -S . -B build-web-obj -DCMAKE_BUILD_TYPE=Release -DPELLWICK_TESTS=OFF -DPELLWICK_TOOLS=OFF \
	  -DPELLWICK_SITE_DIR=$(CURDIR)/build-web >/dev/null
	@cmake --build build-web-obj -j$(JOBS)
	@echo "The site is in $(CURDIR)/build-web: $$(ls build-web | tr '\n' ' ')($$(cat build-web/* | wc -c) bytes)"

# Serves build-web/ on http://127.0.0.1:8000/ until interrupted.
serve: web
	@node scripts/serve.mjs build-web 8000

# Benchmarks: per-tick medians over repetitions; then, under Xvfb, what playing costs (the program and the X
# server, mid-game, window and saver; at zoom 2 on a 4K screen; the saver covered, keeping time or paused);
# under headless sway the Wayland window and the wallpaper (visible, and covered keeping time or paused),
# beside the X11 window again; the window's tick rate before the first click; what the page costs in
# headless Chromium beside a floor page; and 300 saver activations under the XScreenSaver daemon with the
# hacks they leave behind.
bench: deps web
	@scripts/install-deps.sh bench e2e browser window
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELLWICK_BENCH=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@./$(BUILD)/pellwick_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	@for mode in window saver; do for size in 1920x1080 3840x2160; do bench/play_cost.sh $(BUILD) $$mode $$size; done; done
	@for mode in window saver; do PLAY_ARGS="--zoom 2" bench/play_cost.sh $(BUILD) $$mode 3840x2160; done
	@for rest in keep pause; do PLAY_ARGS="--rest $$rest" bench/play_cost.sh $(BUILD) covered 1920x1080; done
	@bench/play_cost.sh $(BUILD) wayland 1920x1080
	@bench/play_cost.sh $(BUILD) wallpaper 1920x1080
	@bench/play_cost.sh $(BUILD) mutter 1920x1080
	@for rest in keep pause; do PLAY_ARGS="--rest $$rest" bench/play_cost.sh $(BUILD) wallpaper-covered 1920x1080; done
	@bench/play_cost.sh $(BUILD) window 1920x1080
	@bench/window_rate.sh $(BUILD) 1920x1080 10
	@bench/window_rate.sh $(BUILD) 3840x2160 10
	@bench/page_cost.sh $(BUILD) 5 3 640x480 1920x1080
	@bench/saver_cycles.sh $(BUILD) 300

# The game's sines against MPFR on 10^7 headings and every 1/1024 degree, held to the README's figures.
test-trig: build
	@cmake --build $(BUILD) -j$(JOBS) --target pellwick_trig_full
	@./$(BUILD)/tests/pellwick_trig_full

# The unit tests again, built with AddressSanitizer and UndefinedBehaviorSanitizer; any finding fails.
test-asan: deps
	@cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLWICK_SANITIZE=ON -DPELLWICK_DESKTOP=none $(CMAKE_ARGS) >/dev/null
	@cmake --build build-asan -j$(JOBS)
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  scripts/run-tests.sh build-asan

# Fuzzing with libFuzzer under the sanitizers: FUZZ_SECONDS per target (both run side by side). New
# inputs that widen coverage go to fuzz/corpus/, which the tests replay.
FUZZ_SECONDS ?= 60
fuzz:
	@scripts/install-deps.sh core fuzz
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPELLWICK_SANITIZE=ON \
	  -DPELLWICK_FUZZ=ON -DPELLWICK_TESTS=OFF -DPELLWICK_DESKTOP=none >/dev/null
	@cmake --build build-fuzz -j$(JOBS) --target field_fuzz args_fuzz
	@mkdir -p fuzz/corpus/field fuzz/corpus/args build-fuzz/found
	@for t in field args; do \
	  ./build-fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 \
	    -artifact_prefix=build-fuzz/found/$$t- fuzz/corpus/$$t > build-fuzz/$$t.log 2>&1 & done; wait
	@for t in field args; do tail -n 12 build-fuzz/$$t.log | grep -E 'stat::number_of_executed_units|cov:|Done' | tail -n 2; done
	@if ls build-fuzz/found/* >/dev/null 2>&1; then echo "fuzz findings in build-fuzz/found"; exit 1; fi

# A million ticks at 1920x1080 with a click every 50,000, invariants checked after every tick (not in CI).
soak: build
	@./$(BUILD)/pellwick_soak 1000000 1920 1080 50000

# The native Windows programs, cross-compiled for both architectures: build-windows/ (32-bit, runs on every
# Windows PC) and build-windows-x64/ (64-bit, for machines without 32-bit support), each with pellwick.exe
# (GUI subsystem), pellwick.scr, pellwick-render.exe (console) and an installer (NSIS); then the winget
# and Scoop manifests for the two installers in packaging/.
VERSION := $(shell sed -nE 's/^project.Pellwick VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
WINDOWS_BUILDS := build-windows:mingw-i686 build-windows-x64:mingw-x86_64
windows:
	@scripts/install-deps.sh core windows
	@for b in $(WINDOWS_BUILDS); do \
	  cmake --no-warn-unused-cli -S . -B $${b%%:*} -DCMAKE_TOOLCHAIN_FILE=cmake/$${b#*:}.cmake -DCMAKE_BUILD_TYPE=Release \
	    -DPELLWICK_TESTS=OFF -DPELLWICK_TOOLS=ON >/dev/null && \
	  cmake --build $${b%%:*} -j$(JOBS) --target pellwick pellwick-render installer || exit 1; \
	  echo "Built $(CURDIR)/$${b%%:*}/pellwick.exe, pellwick.scr, pellwick-render.exe and $$(cd $${b%%:*} && ls pellwick-*-setup.exe)"; done
	@packaging/write-manifests.sh $(VERSION) build-windows/pellwick-$(VERSION)-x86-setup.exe build-windows-x64/pellwick-$(VERSION)-x64-setup.exe

# Checks both builds' headers and resources, then runs each under Wine on Xvfb where this machine can.
test-windows: windows build
	@tests/windows/test_windows.sh $(BUILD) build-windows build-windows-x64

install: build
	@cmake --install $(BUILD)

# A Debian package (CPack), built for /usr: build-package/pellwick_VERSION_ARCH.deb.
package: deps
	@scripts/install-deps.sh window package
	@cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DPELLWICK_TESTS=OFF >/dev/null
	@cmake --build build-package -j$(JOBS)
	@cd build-package && cpack -G DEB >/dev/null
	@echo "Built $$(ls $(CURDIR)/build-package/*.deb)"

clean:
	rm -rf $(BUILD) build-asan build-fuzz build-windows build-windows-x64 build-web build-web-obj build-package
