# Quick start: `make run` builds and starts the demonstration on the bundled
# sample; `make test` builds and runs the whole test suite.
PRESET ?= release
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run test bench asan-test format clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

run: build
	@scripts/run-demo.sh build/$(PRESET)

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

bench: build
	@scripts/run-bench.sh build/$(PRESET)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
