# Quick start: `make run` builds and starts the demonstration on the bundled
# sample; `make test` builds and runs the whole test suite.
PRESET ?= release
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run package test bench asan-test tsan-test fuzz format format-check tidy clean

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake --preset $(PRESET) >/dev/null

build: configure
	@cmake --build --preset $(PRESET) -j $(JOBS)

# Only the two programs, not the tests and benchmarks.
run: configure
	@cmake --build --preset $(PRESET) -j $(JOBS) --target vok vok-sim
	@scripts/run-demo.sh build/$(PRESET)

# The Debian package build/$(PRESET)/vok_*.deb (dependencies by dpkg-shlibdeps).
package: build
	@cd build/$(PRESET) && cpack -G DEB

# After the tests, the lines in which the differential tests say which of the
# decoder's vote paths ran on this processor and which were skipped, and why.
test: build
	@ctest --preset $(PRESET) -j $(JOBS)
	@grep -h '^vote path ' build/$(PRESET)/Testing/Temporary/LastTest.log 2>/dev/null | sort -u || true

asan-test:
	@$(MAKE) --no-print-directory test PRESET=asan

# The suites that start threads (labelled "threads"), under ThreadSanitizer.
tsan-test:
	@$(MAKE) --no-print-directory test PRESET=tsan

bench: build
	@scripts/run-bench.sh build/$(PRESET)

# Each libFuzzer target for FUZZ_SECONDS seconds (clang, the fuzz preset).
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	@tests/fuzz/run-fuzz.sh build/fuzz $(FUZZ_SECONDS)

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

# Fails, naming the places, where a tracked C++ file is not as clang-format
# would write it.
format-check:
	@git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# clang-tidy (the root .clang-tidy) over every C++ file of the release build.
tidy: build
	@scripts/run-clang-tidy.sh build/$(PRESET)

clean:
	rm -rf build
