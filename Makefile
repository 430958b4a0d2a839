# Shortcuts over CMake. `make run` builds and starts the program, `make test` builds and runs
# every test, `make bench` builds and runs the benchmarks.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all configure build run test bench format clean

all: build

configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

run: build
	@if [ -x $(BUILD_DIR)/bin/tunebay ]; then $(BUILD_DIR)/bin/tunebay; \
	else $(BUILD_DIR)/bin/tunebay-cli --help; fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

bench: build
	@if [ -x $(BUILD_DIR)/bin/run-benchmarks ]; then $(BUILD_DIR)/bin/run-benchmarks; \
	else echo "no benchmarks built yet"; fi

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
