# Two entry points for a fresh Debian 12 machine:
#   make run   install what is needed, build, and play the demo playlist
#   make test  install what is needed, build, and run every test
BUILD ?= build
SAN_BUILD ?= build-sanitize
JOBS ?= $(shell nproc)
# CI (which sets CI=true) builds with warnings as errors; a local build only warns.
WERROR ?= $(if $(CI),ON,OFF)

.PHONY: deps build run test test-sanitize fuzz install deb clean

deps:
	./scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIVARO_WERROR=$(WERROR)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	cmake --build $(BUILD) --target demo
	./scripts/run-demo.sh $(BUILD)

# -noreset: by default the X server resets whenever its last client leaves, and a test
# that connects during that reset is refused; the tests run in parallel, so they would
# race it.
test: build
	cd $(BUILD) && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j $(JOBS)

# Every test, the windows on the real media engine included, under AddressSanitizer and
# UndefinedBehaviorSanitizer.
test-sanitize: deps
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DMIVARO_SANITIZE=ON -DMIVARO_BENCH=OFF -DMIVARO_WERROR=$(WERROR)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
	  xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j $(JOBS)

# Installs the programs and their desktop files: make install [PREFIX=/usr] [DESTDIR=/staging].
# DESTDIR is passed through the environment, quoted, so a folder with blanks works.
PREFIX ?= /usr/local
install: build
	DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Builds the Debian package mivaro_VERSION_ARCH.deb in $(BUILD).
deb: build
	cd $(BUILD) && cpack -G DEB

# Builds every libFuzzer target with clang and runs each one briefly over its seeds.
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	  -DMIVARO_GUI=OFF -DMIVARO_FUZZ=ON -DMIVARO_TESTS=OFF -DMIVARO_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS)
	./scripts/run-fuzz.sh build-fuzz $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) build-fuzz
