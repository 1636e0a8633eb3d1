# Entry points of the project. Every target installs what is missing first.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
PKG_BUILD   ?= build-package
DEMO_PKG_BUILD ?= build-package-demo
FUZZ_BUILD  ?= build-fuzz
BENCH_BUILD ?= build-release
JOBS        ?= $(shell nproc)
CMAKE_ARGS  ?=

.PHONY: all setup configure build run test test-sanitize bench fuzz soak memcheck package package-demo clean

all: build

setup:
	@scripts/setup

configure: setup
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_ARGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The main job: the service on the simulated concentrator with the EU868
# example configuration, and the consumer showing the packets. Ctrl-C stops both.
run: build
	@scripts/run-main-job $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup
	cmake -S . -B $(SAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DLORAWAN_SANITIZE=ON $(CMAKE_ARGS)
	cmake --build $(SAN_BUILD) -j $(JOBS)
	cd $(SAN_BUILD) && ctest --output-on-failure -j $(JOBS)

# The Debian package for a board, linked with the real HAL and built in its own
# folder for the system prefix /usr: make package LORAGW_ROOT=<built HAL folder>
# (CMAKE_ARGS=-DLORAGW_ROOT=<folder> works too). Without the HAL the service
# would send the simulated concentrator's made-up packets, so it stops there.
# make package-demo builds the simulated concentrator's demonstration package,
# lorawanserver-simulated_<version>_<arch>.deb, in a folder of its own.
define build_package
	@scripts/setup dpkg-dev file
	cmake -S . -B $(1) -G Ninja -DCMAKE_INSTALL_PREFIX=/usr -DLORAWAN_TESTS=OFF $(2) $(CMAKE_ARGS)
	cmake --build $(1) -j $(JOBS)
	cd $(1) && cpack -G DEB
endef

package:
ifeq ($(strip $(LORAGW_ROOT)$(findstring -DLORAGW_ROOT=,$(CMAKE_ARGS))),)
	$(error make package needs the real HAL: give LORAGW_ROOT=<built picoGW HAL libloragw folder> (make package-demo builds the simulated concentrator's demonstration package instead))
endif
	$(call build_package,$(PKG_BUILD),$(if $(LORAGW_ROOT),-DLORAGW_ROOT=$(LORAGW_ROOT)))

package-demo:
	$(call build_package,$(DEMO_PKG_BUILD),-DLORAGW_ROOT=)

# Each fuzzer for FUZZ_SECONDS (default 180) from its seed corpus, in its own
# clang build; any crash, sanitizer report or time-out fails.
fuzz: setup
	FUZZ_BUILD=$(FUZZ_BUILD) scripts/fuzz

# One million packets at full rate through the service to lorawan-listen:
# delivered equals generated, resident size and descriptors stay flat.
soak: build
	scripts/soak $(BUILD)

# The service under valgrind's memcheck with a consumer and a few thousand
# packets, then SIGTERM: no error, no definite leak.
memcheck: build
	scripts/memcheck $(BUILD)

# Benchmarks of a Release build (its own build folder): one table, written to
# bench/RESULTS.md. BENCH_SHORT=1 measures a few seconds per item with the
# binaries of the test build (CI) and writes its table into that folder instead.
bench: setup
ifdef BENCH_SHORT
	JOBS=$(JOBS) bench/run-bench --short --prebuilt $(BUILD) --results $(BUILD)/BENCH-RESULTS.md
else
	JOBS=$(JOBS) CMAKE_ARGS="$(CMAKE_ARGS)" bench/run-bench --build-dir $(BENCH_BUILD)
endif

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(PKG_BUILD) $(DEMO_PKG_BUILD) $(FUZZ_BUILD) $(BENCH_BUILD)
