# Two commands matter: `make run` and `make test`. Both install what is missing first.
BUILD ?= build/dev
JOBS ?= $(shell nproc)
MAKEFLAGS += --no-print-directory

.PHONY: deps deps-run build run package test asan bench fuzz clean
FUZZ_SECONDS ?= 60

deps:
	@scripts/setup-deps test

deps-run:
	@scripts/setup-deps run

build: deps
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev -j $(JOBS)

# Only what it runs: the program and the demo-track maker, not the tests and benchmarks.
run: deps-run
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev -j $(JOBS) --target ravelin make-demo-tracks
	@scripts/run-demo $(BUILD)

# A Debian package of the program (build/dev/ravelin_VERSION_ARCH.deb), built with CPack.
package:
	@scripts/setup-deps package
	@cmake --preset dev >/dev/null
	@cmake --build --preset dev -j $(JOBS) --target ravelin icons
	@cd $(BUILD) && cpack -G DEB

test: build
	@ctest --preset dev

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan

# Each libFuzzer target for FUZZ_SECONDS, in a clang build of its own (build/fuzz).
fuzz: deps
	@scripts/run-fuzz $(FUZZ_SECONDS)

bench: build
	@scripts/run-bench $(BUILD)

clean:
	rm -rf build
