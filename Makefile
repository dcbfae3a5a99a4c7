# Front door: installs what is missing, builds with CMake and runs or tests. See README.md.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_ARGS ?=

.PHONY: all deps build run test clean

all: build

deps:
	@scripts/install-deps.sh core

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release $(CMAKE_ARGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@./$(BUILD)/pellwick-render --png pellwick.png
	@echo "The picture is at $(CURDIR)/pellwick.png"

test: build
	@scripts/run-tests.sh $(BUILD)

clean:
	rm -rf $(BUILD)
