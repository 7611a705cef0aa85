# Plondex: the two commands a newcomer needs are `make demo` and `make test`.
BUILD ?= build
CHECK_BUILD ?= build-check
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 30
FUZZ_TARGETS := id3v1 id3v2 ogg wma ini textlines navdb sniff probe

.PHONY: all bootstrap configure build test check bench demo run install package clean format fuzz \
  fuzz-smoke

all: build

bootstrap:
	@scripts/bootstrap

$(BUILD)/build.ninja: | bootstrap
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DPLONDEX_WERROR=$${PLONDEX_WERROR:-ON} -DCMAKE_INSTALL_PREFIX=$(PREFIX) $(CMAKE_FLAGS)

configure: bootstrap $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

# All tests again under AddressSanitizer and UndefinedBehaviorSanitizer, in a folder of their own.
check: bootstrap
	cmake -S . -B $(CHECK_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPLONDEX_SANITIZE=ON \
	  -DPLONDEX_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(CHECK_BUILD) -j $(JOBS)
	cd $(CHECK_BUILD) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer), in a folder of
# their own without the window and the tests.
fuzz: bootstrap
	cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DPLONDEX_FUZZ=ON -DPLONDEX_GUI=OFF -DPLONDEX_TESTS=OFF \
	  -DPLONDEX_WERROR=ON $(CMAKE_FLAGS)
	cmake --build $(FUZZ_BUILD) --target fuzzers -j $(JOBS)

# Every fuzz target for FUZZ_SECONDS on a copy of its seed corpus; a finding fails.
fuzz-smoke: fuzz
	fuzz/smoke $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_TARGETS)

# The benchmarks, built with optimisation in a folder of their own; prints the figures.
BENCH_BUILD ?= build-bench
bench: bootstrap
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DPLONDEX_BENCH=ON \
	  -DPLONDEX_TESTS=OFF $(CMAKE_FLAGS)
	cmake --build $(BENCH_BUILD) -j $(JOBS)
	scripts/bench $(BENCH_BUILD)

demo: build
	@scripts/demo $(BUILD)

run: build
	$(BUILD)/plondex

# PREFIX wins over the prefix the build folder was first configured with; DESTDIR is honoured.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package, built by CPack in $(BUILD) and checked before its path is printed.
package: build
	rm -f $(BUILD)/plondex_*.deb
	cd $(BUILD) && cpack -G DEB
	scripts/check-package $(BUILD)/plondex_*.deb
	@realpath $(BUILD)/plondex_*.deb

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(CHECK_BUILD)
