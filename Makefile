# Shortcuts over CMake. `make run` builds only the programs and starts the window, `make test`
# builds everything and runs every test, `make bench` builds and runs the benchmarks, `make package`
# builds the Debian package.
BUILD_DIR ?= build
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all configure build programs run test package sanitize bench format clean

all: build

configure:
	cmake -S . -B $(BUILD_DIR) -G Ninja $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

programs: configure
	cmake --build $(BUILD_DIR) -j $(JOBS) --target programs

run: programs
	@if [ -x $(BUILD_DIR)/bin/tunebay ]; then $(BUILD_DIR)/bin/tunebay; \
	else $(BUILD_DIR)/bin/tunebay-cli --help; fi

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

package: build
	cmake --build $(BUILD_DIR) -j $(JOBS) --target package

# The store, the text rules and the import (with the shared corpus of malformed files, when
# present) under AddressSanitizer and UndefinedBehaviorSanitizer.
SANITIZE_DIR ?= build-sanitize
sanitize:
	cmake -S . -B $(SANITIZE_DIR) -G Ninja -DTUNEBAY_SANITIZE=ON -DTUNEBAY_BUILD_GUI=OFF -DTUNEBAY_BUILD_BENCH=OFF $(CMAKE_FLAGS)
	cmake --build $(SANITIZE_DIR) -j $(JOBS) --target test_store test_text test_tools test_import test_output test_files
	for t in store text tools import output files; do $(SANITIZE_DIR)/bin/test_$$t || exit 1; done

bench: build
	@if [ -x $(BUILD_DIR)/bin/run-benchmarks ]; then $(BUILD_DIR)/bin/run-benchmarks; \
	else echo "no benchmarks built yet"; fi

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD_DIR)
