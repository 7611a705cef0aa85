# Plondex: the two commands a newcomer needs are `make demo` and `make test`.
BUILD ?= build
CHECK_BUILD ?= build-check
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= /usr/local

.PHONY: all bootstrap configure build test check demo run install package clean format

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

demo: build
	@scripts/demo $(BUILD)

run: build
	$(BUILD)/plondex

install: build
	cmake --install $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(CHECK_BUILD)
