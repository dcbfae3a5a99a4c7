# Front door: installs what is missing, builds with CMake and runs or tests. See README.md.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_ARGS ?=
PREFIX ?= /usr/local

.PHONY: all deps build run render test install bench clean

all: build

deps:
	@scripts/install-deps.sh core window

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

# The window needs a display; without one, show what the game draws as a picture instead.
run: build
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then ./$(BUILD)/pellwick; else \
	  echo "No display found; rendering a picture instead."; $(MAKE) --no-print-directory render; fi

render: build
	@./$(BUILD)/pellwick-render --png pellwick.png
	@echo "The picture is at $(CURDIR)/pellwick.png"

test: build
	@scripts/install-deps.sh e2e
	@scripts/run-tests.sh $(BUILD)

# Benchmarks: per-tick medians over repetitions, then the window's tick rate under Xvfb.
bench: deps
	@scripts/install-deps.sh bench e2e
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DPELLWICK_BENCH=ON $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@./$(BUILD)/pellwick_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
	@bench/window_rate.sh $(BUILD) 1920x1080 3
	@bench/window_rate.sh $(BUILD) 3840x2160 3

install: build
	@cmake --install $(BUILD)

clean:
	rm -rf $(BUILD)
