# The two everyday commands: `make run` and `make test`.
# Both install what is missing, configure and build first: `make run` (and `make build`) only
# what building and playing the game needs, `make test` also the test tools.

BUILD  ?= build
JOBS   ?= $(shell nproc)
# Extra flags for every configure here, the sanitizer, fuzzing and package builds' included
# (CI passes -DCMAKE_UNITY_BUILD=ON).
CMAKE_FLAGS ?=

.PHONY: run test build build-all setup setup-test configure configure-all bench asan tsan fuzz assets-sheet soak install deb screenshots clean

run: build
	$(BUILD)/bin/hoopstack

test: build-all
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Everything: the programs, the tests and the benchmarks.
build-all: configure-all
	cmake --build $(BUILD) -j $(JOBS)

# Configuring every time is cheap and picks up newly added folders. A build folder configured
# here for the first time builds the programs alone, without the tests and benchmarks (whose
# libraries only `setup-test` installs); one that `configure-all` has configured keeps them.
NEW_BUILD_FLAGS = $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DBUILD_TESTING=OFF -DHOOPSTACK_BENCH=OFF)
configure: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(NEW_BUILD_FLAGS) $(CMAKE_FLAGS) >/dev/null

configure-all: setup-test
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DHOOPSTACK_BENCH=ON $(CMAKE_FLAGS) >/dev/null

setup:
	@scripts/setup.sh

setup-test:
	@scripts/setup.sh --test

# Fails when any benchmark fails, not only the last one.
bench: build-all
	for b in $(BUILD)/bin/*_bench; do echo "== $$b"; $$b || exit 1; done
	bench/clip_show_idle.sh $(BUILD)/bin/hoopstack-clip
	bench/game_idle.sh $(BUILD)/bin
	bench/server/leaderboard_bench.sh $(BUILD)/bin/hoopstack-leaderboard
	bench/server/scale_bench.sh $(BUILD)/bin/hoopstack-leaderboard
	bench/server/flood_bench.sh $(BUILD)/bin/hoopstack-leaderboard

# Long soak: SOAK_GAMES games per level with the greedy bot, invariants checked every frame.
SOAK_GAMES ?= 1000
soak: build
	for level in 0 1 2; do $(BUILD)/bin/hoopstack-sim soak --games $(SOAK_GAMES) --level $$level --seed 1 --bot greedy | tail -n 1; done

# Test suite under AddressSanitizer and UndefinedBehaviorSanitizer, without the benchmarks (the
# sanitizer build optimises lightly, -O1, with its assertions on).
asan:
	$(MAKE) test BUILD=build-asan CMAKE_FLAGS="-DHOOPSTACK_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DHOOPSTACK_BENCH=OFF $(CMAKE_FLAGS)"

# The tests whose windows run real frame threads (engine, controls, the game and its dialogs,
# the program's start) under ThreadSanitizer, with the game's data they read.
TSAN_TESTS = engine_tests ui_tests game_tests app_tests
tsan: setup-test
	@cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHOOPSTACK_TSAN=ON -DHOOPSTACK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build build-tsan -j $(JOBS) --target assets $(TSAN_TESTS)
	for t in $(TSAN_TESTS); do echo "== $$t"; TSAN_OPTIONS=halt_on_error=1 build-tsan/bin/$$t || exit 1; done

# Fuzz targets, built with clang's libFuzzer; FUZZ_SECONDS per target.
FUZZ_SECONDS ?= 30
fuzz: setup-test
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DHOOPSTACK_FUZZ=ON -DBUILD_TESTING=OFF -DHOOPSTACK_BENCH=OFF $(CMAKE_FLAGS) >/dev/null
	cmake --build build-fuzz -j $(JOBS) --target fuzzers
	scripts/run-fuzzers.sh build-fuzz/bin $(FUZZ_SECONDS)

# The game window and its dialogs as the program draws them, then every frame of every clip,
# labelled on one picture for reviewing the art.
assets-sheet: configure
	cmake --build $(BUILD) -j $(JOBS) --target assets-sheet
	@echo "contact sheet: $(BUILD)/bin/assets-sheet.png (the windows alone in $(BUILD)/bin/screens/)"

# The programs, their data, the icons, the desktop entry, the AppStream metadata and the
# manual pages under PREFIX; DESTDIR, when given, is put in front of every path (staging).
PREFIX ?= /usr/local
INSTALL_TARGETS = hoopstack hoopstack-clip hoopstack-store assets packaging_files translations translated_assets \
  translated_desktop_files
install: setup
	@cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(NEW_BUILD_FLAGS) $(CMAKE_FLAGS) >/dev/null
	cmake --build $(BUILD) -j $(JOBS) --target $(INSTALL_TARGETS)
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD)

# The Debian package, from its own Release build for /usr (the programs in /usr/games, as
# Debian's policy wants for games and their tools) with Debian's optimisation flags and all its
# hardening flags (-O2: GCC 12 at -O3 warns falsely of overlapping copies inside std::string),
# stripped by CPack, then checked by lintian (which lists its notes too and fails on errors only).
# Warnings do not stop it, so a newer compiler cannot break the package. The simulator is built
# beside it, not packaged, so that CI can compare its output with the test build's
# (scripts/compare-simulators.sh).
DEB_FLAGS = DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get
DEB_BUILD ?= build-deb
deb: setup-test
	@cmake -S . -B $(DEB_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_INSTALL_BINDIR=games \
	  -DBUILD_TESTING=OFF -DHOOPSTACK_BENCH=OFF -DHOOPSTACK_WERROR=OFF -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
	  -DCMAKE_C_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CFLAGS)" \
	  -DCMAKE_CXX_FLAGS="$$($(DEB_FLAGS) CPPFLAGS) $$($(DEB_FLAGS) CXXFLAGS)" \
	  -DCMAKE_EXE_LINKER_FLAGS="$$($(DEB_FLAGS) LDFLAGS)" $(CMAKE_FLAGS) >/dev/null
	cmake --build $(DEB_BUILD) -j $(JOBS) --target $(INSTALL_TARGETS) hoopstack-sim
	rm -f $(DEB_BUILD)/hoopstack_*.deb
	cd $(DEB_BUILD) && cpack -G DEB
	lintian --fail-on error --display-info $(DEB_BUILD)/hoopstack_*.deb
	@echo "package: $$(ls $(DEB_BUILD)/hoopstack_*.deb)"

# The AppStream screenshots, taken from the real program under Xvfb into packaging/screenshots.
screenshots: build-all
	scripts/screenshots.sh $(BUILD)/bin packaging/screenshots

clean:
	rm -rf build build-asan build-tsan build-fuzz build-deb
