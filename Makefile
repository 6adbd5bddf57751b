# The two everyday commands: `make run` and `make test`.
# Both install what is missing, configure and build first.

BUILD  ?= build
JOBS   ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: run test build setup configure bench asan fuzz clean

run: build
	$(BUILD)/bin/hoopstack-store --help

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

configure: setup
	@if [ ! -f $(BUILD)/CMakeCache.txt ]; then \
	  cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS); \
	fi

setup:
	@scripts/setup.sh

bench: build
	$(BUILD)/bin/hoopstack-bench

# Test suite under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DHOOPSTACK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug"

# Fuzz targets, built with clang's libFuzzer; FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 30
fuzz: setup
	@if [ ! -f build-fuzz/CMakeCache.txt ]; then \
	  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DHOOPSTACK_FUZZ=ON -DBUILD_TESTING=OFF -DHOOPSTACK_BENCH=OFF; \
	fi
	cmake --build build-fuzz -j $(JOBS)
	scripts/run-fuzzers.sh build-fuzz/bin $(FUZZ_SECONDS)

clean:
	rm -rf build build-asan build-fuzz
