# Entry points of the project. Every target installs what is missing first.
BUILD       ?= build
SAN_BUILD   ?= build-sanitize
BENCH_BUILD ?= build-release
JOBS        ?= $(shell nproc)
CMAKE_ARGS  ?=

.PHONY: all setup configure build run test test-sanitize bench clean

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

# Benchmarks of a Release build (its own build folder): one table, written to
# bench/RESULTS.md. BENCH_SHORT=1 measures a few seconds per item (CI) and
# writes its table into the build folder instead.
bench: setup
	JOBS=$(JOBS) CMAKE_ARGS="$(CMAKE_ARGS)" bench/run-bench --build-dir $(BENCH_BUILD) $(if $(BENCH_SHORT),--short --results $(BENCH_BUILD)/RESULTS.md)

clean:
	rm -rf $(BUILD) $(SAN_BUILD) $(BENCH_BUILD)
